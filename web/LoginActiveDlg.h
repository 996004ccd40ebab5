#pragma once

#include <functional>
#include <memory>
#include <string>

#include "handoff/HandoffSequence.h"
#include "platform/DialogWindow.h"
#include "platform/Timer.h"
#include "ui/LoginWindowFace.h"
#include "ui/PngButton.h"
#include "web/BackgroundWindow.h"
#include "web/ImpIDispatch.h"
#include "web/LinkRegistry.h"
#include "web/PortalOrigins.h"
#include "web/WebBrowser2.h"

class CBrowserEvents;
class CCustomControlSite;
class CCustomOccManager;
class CLoginPageGuard;

// What the login window is given by the program that shows it.
struct CLoginWindowSetup {
    // The login page's address.
    std::u16string loginUrl;
    // Whose callback addresses hand the login off.
    CPortalOrigins portalOrigins;
    // Makes the window's browser; none: the window shows no page.
    CCustomOccManager* pOccManager = nullptr;
    // The hand-off's steps that belong to the program: keeping the launch
    // argument string, and starting the game launcher with it.
    std::function<void(const std::u16string&)> storeLaunchArgs;
    std::function<void()> fetchAndStartLauncher;
};

// The login window: lies exactly over the main window's picture and carries
// what the player uses: the login page's browser and the minimise and close
// buttons. Everything else of it is see-through and click-through. It
// watches the browser for the login result, by the page's script call or by
// a callback address, and hands it off.
class CLoginActiveDlg : public CDialogWindow, public IAppLoginHandler {
public:
    CLoginActiveDlg(IBackgroundWindow* pParent, CLoginWindowSetup setup);
    ~CLoginActiveDlg() override;

    // The script route: what a page passed to window.external.AppLogin.
    void OnAppLogin(const std::u16string& json) override;
    // Cancels every link click subscription and empties their registry.
    void DisconnectLinkEvents();
    // The main window's picture has been drawn: the browser may start.
    void OnBackgroundDrawn();

protected:
    bool OnInitDialog() override;
    void OnPaint(cairo_t* cr) override;
    void OnMove() override;
    void OnScaleChanged() override;
    void OnMapped() override;
    HitTest OnNcHitTest() override;
    // Enter and Esc never close the window.
    void OnOK() override {}
    void OnCancel() override {}

private:
    void OnNavigateComplete2(const std::u16string& url);
    void OnDocumentComplete(const std::u16string& url);
    void OnBeforeNavigate2(const std::u16string& url);
    void OnLinkClick(const std::u16string& href);
    void OnMinimize();
    void OnCloseButton();

    void StartBrowser();
    void CreateBrowser();
    void ConnectButtons();
    CHandoffSequence Handoff();
    void ShowBrowser();
    void UpdateShape();
    void SubscribeNewLinks(const CHtmlDocument& document,
                           const std::vector<std::u16string>& targets);

    IBackgroundWindow* m_pParent;
    CLoginWindowSetup m_setup;
    std::unique_ptr<CCustomControlSite> m_pSite;
    std::unique_ptr<CBrowserEvents> m_pEvents;
    std::unique_ptr<CLoginPageGuard> m_pGuard;
    CWebBrowser2 m_browser;
    // The first navigation has completed: the browser shows.
    bool m_bBrowserShown = false;
    // The browser has been made and sent to the login page.
    bool m_bBrowserStarted = false;
    CPngButton m_btnMin;
    CPngButton m_btnClose;
    CLoginWindowFace m_face;
    CLinkRegistry m_links;
    // Looks at the window's place once more after a window manager has
    // placed it.
    CTimer m_placedTimer;
};
