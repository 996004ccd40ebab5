#pragma once

#include <cairo.h>

#include <memory>

#include "platform/DialogWindow.h"
#include "platform/OwnedPtr.h"
#include "ui/PngButton.h"
#include "ui/PngImage.h"

// Asks the player whether to quit the game: a small modal window whose face
// is its bitmap, with a white title and question standing directly on it and
// two picture buttons. DoModal answers IDOK for 确定 and IDCANCEL for 取消,
// Esc or the window manager's close. 确定 has the keyboard at first; Tab
// and Shift+Tab move it between the two, and Enter, keypad Enter and Space
// press the one that has it.
class CConfirmDlg : public CDialogWindow {
public:
    CConfirmDlg();
    ~CConfirmDlg() override;

    // 0 asks about quitting the game, the only question there is.
    int m_nMode = 0;

protected:
    bool OnInitDialog() override;
    void OnPaint(cairo_t* cr) override;

private:
    void LoadFace();

    CPngButton m_btnConfirm;
    CPngButton m_btnCancel;
    // The face: drawn for the window's scale, or else the bitmap.
    std::unique_ptr<CPngImage> m_pFace;
    CairoSurfacePtr m_pBackground;
    int m_nFaceScale = 0;
};
