// Program entry. The branded windows are still to come; until then the login
// page is shown in a plain window so that the portal can be tried out.

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <clocale>
#include <string>

#include "LauncherConfig.h"
#include "platform/MessageLoop.h"

namespace {

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer) {
    EndMessageLoop();
    return TRUE;
}

}  // namespace

int main() {
    // Narrow text is in the charset the environment's locale names.
    std::setlocale(LC_ALL, "");
    gdk_set_allowed_backends("x11");
    gtk_init(nullptr, nullptr);

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "Tharnvale");
    gtk_window_set_default_size(GTK_WINDOW(window), 631, 446);
    GtkWidget* view = webkit_web_view_new();
    gtk_container_add(GTK_CONTAINER(window), view);
    const std::string loginPage = std::string(kPortalOrigin) + "/url/weiduan.php?gn=halvoryne";
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), loginPage.c_str());
    g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), nullptr);
    gtk_widget_show_all(window);

    const int code = RunMessageLoop(0);
    gtk_widget_destroy(window);
    return code;
}
