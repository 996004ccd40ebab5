#pragma once

#include <cairo.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/DialogWindow.h"
#include "platform/Timer.h"
#include "platform/TransferProgress.h"
#include "ui/PngButton.h"
#include "ui/PngImage.h"
#include "ui/SpeedMeter.h"

// The window that stands over the program while the game launcher is
// downloaded: a small borderless modal window whose face is its picture,
// with the title, a progress bar, the sizes, the speed, the time left, the
// retry count and a 取消 button, which has the keyboard. 取消 (clicked, or
// Enter or Space from a moment after the window shows), Esc and the window
// manager's close ask the transfer to stop; the window goes only when its
// owner destroys it, once the transfer has stopped.
//
// Created hidden, it already holds the program's input: a transfer that
// ends at once never flashes a window, yet nothing the player does
// meanwhile reaches the windows beneath. Reveal() shows it.
class CDownloadDlg : public CDialogWindow {
public:
    CDownloadDlg(std::u16string_view title, TransferProgress& progress);
    ~CDownloadDlg() override;

    // Centres the window over its owner, wherever that is now, and shows it.
    void Reveal();

    // The program's progress window (IProgramWindows::RunWithProgressWindow):
    // the window stands over the dialog owner while `work` runs, once it has
    // lasted 0.3 s.
    static void RunWithWindow(std::u16string_view title, TransferProgress& progress,
                              const std::function<void()>& work);

protected:
    bool OnInitDialog() override;
    void OnPaint(cairo_t* cr) override;
    // 取消 has the keyboard, so Enter and Space press it; Enter that no
    // button took stops the transfer all the same.
    void OnOK() override { RequestCancel(); }
    void OnCancel() override { RequestCancel(); }
    void OnClose() override { RequestCancel(); }

private:
    // The pictures for the window's scale.
    void LoadPictures();
    void LayOutTexts();
    void RequestCancel();
    // Reads the transfer's numbers and shows what changed.
    void Refresh();
    void ShowText(int id, const std::string& text);
    void PaintBar(cairo_t* cr);

    std::string m_strTitle;
    TransferProgress& m_progress;
    CSpeedMeter m_speed;
    // How much of the bar is filled; empty while the total is unknown,
    // when a short piece of fill sweeps along it instead.
    std::optional<double> m_fraction;
    int m_nSweep = 0;
    CPngButton m_btnCancel;
    std::unique_ptr<CPngImage> m_pFace;
    std::unique_ptr<CPngImage> m_pTrack;
    std::unique_ptr<CPngImage> m_pFill;
    int m_nPictureScale = 0;
    CTimer m_refreshTimer;
};
