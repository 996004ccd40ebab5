#include "platform/gtk/NativeWindows.h"

#include "platform/DialogWindow.h"
#include "platform/MessageBox.h"
#include "platform/TextCodec.h"

namespace {

CDialogWindow* s_pDialogOwner = nullptr;

}  // namespace

void SetDialogOwner(CDialogWindow* owner) {
    s_pDialogOwner = owner;
}

CDialogWindow* GetDialogOwner() {
    return s_pDialogOwner;
}

void ShowMessageBox(std::u16string_view text, std::u16string_view caption) {
    GtkWindow* owner = s_pDialogOwner != nullptr ? NativeWindowOf(*s_pDialogOwner) : nullptr;
    GtkWidget* dialog = gtk_message_dialog_new(owner, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                               GTK_BUTTONS_OK, "%s", Utf8FromWide(text).c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), Utf8FromWide(caption).c_str());
    gtk_window_set_position(GTK_WINDOW(dialog),
                            owner != nullptr ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}
