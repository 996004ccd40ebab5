#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "handoff/HandoffSequence.h"
#include "platform/DialogWindow.h"
#include "ui/PngButton.h"
#include "web/WebBrowser2.h"

class CBrowserEvents;
class CCustomControlSite;
class CLoginPageGuard;
class CLoginDlg;

// The login window: lies exactly over the main window's picture and carries
// what the player uses: the login page's browser and the minimise and close
// buttons. Everything else of it is key colour, see-through and
// click-through. It watches the browser for the login result, by the page's
// script call or by a callback address, and hands it off.
class CLoginActiveDlg : public CDialogWindow {
public:
    explicit CLoginActiveDlg(CLoginDlg* pParent);
    ~CLoginActiveDlg() override;

    // The script route: what a page passed to window.external.AppLogin.
    void OnAppLogin(const std::u16string& json);
    // Cancels every link click subscription and empties their registry.
    void DisconnectLinkEvents();

protected:
    bool OnInitDialog() override;
    void OnMove() override;
    void OnScaleChanged() override;
    void OnMapped() override;
    HitTest OnNcHitTest() override;
    // Enter and Esc never close the window.
    void OnOK() override {}
    void OnCancel() override {}

private:
    struct LinkConnection {
        uint32_t dwCookie;
        std::u16string strHref;
    };

    void OnNavigateComplete2(const std::u16string& url);
    void OnDocumentComplete(const std::u16string& url);
    void OnBeforeNavigate2(const std::u16string& url);
    void OnLinkClick(const std::u16string& href);
    void OnMinimize();
    void OnCloseButton();

    CHandoffSequence Handoff();
    void ShowBrowser();
    // Cuts the window down to what shows: the browser once it is visible,
    // and the buttons.
    void UpdateShape();
    // Paints what lies below the window, so that the buttons' soft edges
    // blend with it, and the page's last look while a hand-off holds it.
    void PaintBackground(cairo_t* cr);
    // Keeps the page's current look to paint under the browser until
    // ThawPage, for as long as the page's script cannot run.
    void FreezePage();
    void ThawPage();
    void SubscribeNewLinks(const CHtmlDocument& document,
                           const std::vector<std::u16string>& targets);

    CLoginDlg* m_pParent;
    std::u16string m_strUrl;
    GCancellable* m_pCancellable;
    std::unique_ptr<CCustomControlSite> m_pSite;
    std::unique_ptr<CBrowserEvents> m_pEvents;
    std::unique_ptr<CLoginPageGuard> m_pGuard;
    CWebBrowser2 m_browser;
    cairo_surface_t* m_pPageSnapshot = nullptr;
    // The first navigation has completed: the browser shows.
    bool m_bBrowserShown = false;
    bool m_bNavigated = false;
    CPngButton m_btnMin;
    CPngButton m_btnClose;
    std::map<std::u16string, LinkConnection> m_linkConnections;
    uint32_t m_nNextCookie = 1;
    // Counts DisconnectLinkEvents, so that subscriptions answered after one
    // are cancelled instead of recorded.
    uint32_t m_nLinkGeneration = 0;
};
