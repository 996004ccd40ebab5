#include "web/webkit/WindowItem.h"

#include "platform/DialogWindow.h"
#include "platform/gtk/NativeWindows.h"

GtkWidget* WindowItemWidget(CDialogWindow& window, int itemId) {
    CWindowItem* item = window.GetDlgItem(itemId);
    return item != nullptr ? NativeWidgetOf(*item) : nullptr;
}
