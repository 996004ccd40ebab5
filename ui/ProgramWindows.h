#pragma once

#include "platform/ProgramWindows.h"

// The program's windows as the hand-off sees them: the platform's message
// box (in game mode, a message in the launcher's look, ui/MessageDlg.h) and
// desktop, and the download window (ui/DownloadDlg.h) for a transfer's
// progress. All of them stand over the dialog owner.
class CProgramWindows final : public IProgramWindows {
public:
    void ShowMessage(std::u16string_view text, std::u16string_view caption) override;
    int GetDesktopScale() override;
    void HideProgramWindows() override;

protected:
    void RunWithWindow(std::u16string_view title, TransferProgress& progress,
                       const std::function<void()>& work) override;
};
