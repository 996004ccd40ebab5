#pragma once

// The partner sign-in pop-ups a login page opens: each a window of the
// program's own over the launcher, holding a browser related to its opener
// as a web browser relates them (window.opener, postMessage both ways,
// window.close()), under the login page's rules (https, no downloads, no
// permissions, no context menu) but without its window.external; their
// text fields ask for a handheld's on-screen keyboard as the login page's do.
// A click or key of the player's opens one at most. They go when the login
// hands off, when their page's process ends, and before the launcher's
// window does.

#include <webkit2/webkit2.h>

#include <memory>
#include <string>
#include <vector>

class CPageTroubleLog;

class CPopupWindows {
public:
    // `loginUrl` (the site's, set later) decides the rules, and what they
    // refuse counts against `trouble`, the login page's; `launcherView` is
    // the login page's browser, whose window the pop-ups stand over.
    CPopupWindows(const std::string& loginUrl, CPageTroubleLog& trouble,
                  WebKitWebView* launcherView);
    ~CPopupWindows();
    CPopupWindows(const CPopupWindows&) = delete;
    CPopupWindows& operator=(const CPopupWindows&) = delete;

    // The engine's "create" handler for the login page's browser and every
    // pop-up's: a pop-up, the player's own browser, or nothing.
    static GtkWidget* OnCreate(WebKitWebView* opener, WebKitNavigationAction* action,
                               CPopupWindows* self);
    // A press or key of the player's in any of those browsers: it may open
    // one pop-up.
    static gboolean OnPlayerInput(GtkWidget*, GdkEvent*, CPopupWindows* self);

    void CloseAll();
    // Whether a text field of a pop-up has the keyboard.
    bool FieldHasKeyboard() const;

private:
    struct CPopup;

    WebKitWebView* Open(WebKitWebView* opener);
    void Close(CPopup* popup);

    const std::string& m_loginUrl;
    CPageTroubleLog& m_trouble;
    WebKitWebView* const m_pLauncherView;
    // The player's last press or key has opened its pop-up.
    bool m_bInputSpent = true;
    std::vector<std::unique_ptr<CPopup>> m_popups;
};
