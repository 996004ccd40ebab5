#include "ui/ProgramWindows.h"

#include "platform/GameMode.h"
#include "platform/MessageBox.h"
#include "ui/DownloadDlg.h"
#include "ui/MessageDlg.h"

// Game mode shows one window: the message is drawn inside it, in the
// launcher's look, as long as there is a window to draw it in.
void CProgramWindows::ShowMessage(std::u16string_view text, std::u16string_view caption) {
    if (IsGameMode() && GetDialogOwner() != nullptr) {
        CMessageDlg::Show(text, caption);
    } else {
        ShowMessageBox(text, caption);
    }
}

int CProgramWindows::GetDesktopScale() {
    return ::GetDesktopScale();
}

void CProgramWindows::HideProgramWindows() {
    ::HideProgramWindows();
}

void CProgramWindows::RunWithWindow(std::u16string_view title, TransferProgress& progress,
                                    const std::function<void()>& work) {
    CDownloadDlg::RunWithWindow(title, progress, work);
}
