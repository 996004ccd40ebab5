#pragma once

#include <memory>

#include "platform/DialogWindow.h"
#include "ui/LayeredPng.h"
#include "web/BackgroundWindow.h"
#include "web/LoginActiveDlg.h"

// The main window: borderless, its whole face the background picture with
// per-pixel alpha, dragged by any visible pixel. It owns the login window,
// which lies exactly over it, and the two move as one: whichever the pointer
// was last over leads, the other follows.
class CLoginDlg : public CDialogWindow, public IBackgroundWindow {
public:
    // `loginWindow`: what the login window is given.
    explicit CLoginDlg(CLoginWindowSetup loginWindow);
    ~CLoginDlg() override;

    // 1 while this window leads moves and the login window follows; 0 while
    // the login window leads.
    int m_bBackgroundLeads = 0;
    // Deleted by the application's shut-down, before the script bridge.
    std::unique_ptr<CLoginActiveDlg> m_pLoginDlg;

    CDialogWindow& GetWindow() override { return *this; }
    cairo_surface_t* GetPicture() const override {
        return m_background.m_picture.m_pImage ? m_background.m_picture.m_pImage->GetSurface()
                                               : nullptr;
    }
    bool BackgroundLeads() const override { return m_bBackgroundLeads != 0; }
    void SetBackgroundLeads(bool leads) override { m_bBackgroundLeads = leads ? 1 : 0; }
    bool PictureDrawn() const override { return m_bPictureDrawn; }

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

    void OnFirstFrameShown() override;

private:
    void SetIcons();

    CLoginWindowSetup m_loginWindowSetup;
    CLayeredPng m_background;
    bool m_bPictureDrawn = false;
};
