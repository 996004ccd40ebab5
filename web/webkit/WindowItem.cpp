#include "web/webkit/WindowItem.h"

#include "platform/DialogWindow.h"

GtkWidget* WindowItemWidget(CDialogWindow& window, int itemId) {
    return window.GetDlgItem(itemId);
}
