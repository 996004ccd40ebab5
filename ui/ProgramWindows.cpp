#include "ui/ProgramWindows.h"

#include "platform/MessageBox.h"
#include "ui/DownloadDlg.h"

void CProgramWindows::ShowMessage(std::u16string_view text, std::u16string_view caption) {
    ShowMessageBox(text, caption);
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
