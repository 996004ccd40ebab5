#pragma once

#include "platform/DialogWindow.h"
#include "ui/LayeredPng.h"

class CLoginActiveDlg;

// The main window: borderless, its whole face the background picture with
// per-pixel alpha, dragged by any visible pixel. It owns the login window,
// which lies exactly over it, and the two move as one: whichever the pointer
// was last over leads, the other follows.
class CLoginDlg : public CDialogWindow {
public:
    CLoginDlg();
    ~CLoginDlg() override;

    // 1 while this window leads moves and the login window follows; 0 while
    // the login window leads.
    int m_bBackgroundLeads = 0;
    // Owned, but deleted by the application's shut-down.
    CLoginActiveDlg* m_pLoginDlg = nullptr;

    // The picture this window shows; null without one.
    cairo_surface_t* GetPicture() const {
        return m_background.m_picture.m_pImage ? m_background.m_picture.m_pImage->GetSurface()
                                               : nullptr;
    }

protected:
    bool OnInitDialog() override;
    void OnMove() override;
    void OnScaleChanged() override;
    HitTest OnNcHitTest() override;
    void OnShowWindow(bool show) override;
    void OnMinimized(bool minimized) override;
    void OnActivate() override;
    void OnClose() override;
    // Enter and Esc never end the program.
    void OnOK() override {}
    void OnCancel() override {}

private:
    void SetIcons();

    CLayeredPng m_background;
};
