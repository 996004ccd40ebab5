#include "platform/gtk/NativeWindows.h"

#include "platform/DialogWindow.h"
#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/TextCodec.h"
#include "platform/gtk/SignalConnection.h"

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
    // A program that is ending has nothing more to tell.
    if (IsQuitPosted()) {
        return;
    }
    GtkWindow* owner = s_pDialogOwner != nullptr ? NativeWindowOf(*s_pDialogOwner) : nullptr;
    GtkWidget* dialog = gtk_message_dialog_new(owner, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                               GTK_BUTTONS_OK, "%s", Utf8FromWide(text).c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), Utf8FromWide(caption).c_str());
    gtk_window_set_position(GTK_WINDOW(dialog),
                            owner != nullptr ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    // The program's own loop rather than the dialog's, so that a quit
    // request (a signal) ends it too. OK, Esc and the window manager's close
    // all answer.
    CMessageLoop loop;
    {
        const CSignalConnection answered(dialog, "response",
                                         G_CALLBACK(+[](GtkDialog*, gint, gpointer data) {
                                             static_cast<CMessageLoop*>(data)->End();
                                         }),
                                         &loop);
        gtk_widget_show(dialog);
        loop.Run();
    }
    gtk_widget_destroy(dialog);
}
