#include <gtk/gtk.h>

#include "platform/DialogWindow.h"
#include "platform/MessageBox.h"
#include "platform/ProgramWindows.h"

int GetDesktopScale() {
    if (const CDialogWindow* owner = GetDialogOwner()) {
        return owner->GetScaleFactor();
    }
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = display != nullptr ? gdk_display_get_monitor(display, 0) : nullptr;
    return monitor != nullptr ? gdk_monitor_get_scale_factor(monitor) : 1;
}

void HideProgramWindows() {
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w != nullptr; w = w->next) {
        gtk_widget_hide(GTK_WIDGET(w->data));
    }
    g_list_free(windows);
}
