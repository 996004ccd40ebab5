#pragma once

// One browser with the program's host policy: no context menu, no scroll
// bars and no border, the engine's own keys (F5 reloads, copy and paste),
// addresses never rewritten, the engine's own drag and drop, and
// window.external answered by the script bridge in every document and
// frame. Pages that ask for a new window open in the player's web browser.
// Once the login page is known to be https, no navigation goes to plain
// http (see SecureNavigation.h).

#include <webkit2/webkit2.h>

#include <string>
#include <utility>

#include "platform/OwnedPtr.h"

class CCustomControlSite {
public:
    // Takes a floating reference to `view`. `bridgeKey` is the key the
    // window.external script must send with every question.
    CCustomControlSite(WebKitWebView* view, const std::string& bridgeKey);
    ~CCustomControlSite();
    CCustomControlSite(const CCustomControlSite&) = delete;
    CCustomControlSite& operator=(const CCustomControlSite&) = delete;

    WebKitWebView* GetView() const { return m_pView.get(); }

    // The login page's address, which decides whether plain http may be
    // navigated to.
    void SetLoginUrl(std::string loginUrl) { m_strLoginUrl = std::move(loginUrl); }

    // The script world in which the program's own scripts run, out of the
    // page scripts' reach.
    static constexpr char kWorld[] = "tharnvale";

private:
    static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, CCustomControlSite* self);

    GObjectPtr<WebKitWebView> m_pView;
    std::string m_strLoginUrl;
};
