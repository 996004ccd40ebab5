#pragma once

// One browser with the program's host policy: no context menu, no scroll
// bars and no border, the engine's own keys (F5 reloads, copy and paste),
// addresses never rewritten, the engine's own drag and drop, and
// window.external answered by the script bridge in every document and
// frame. Pages that ask for a new window open in the player's web browser.

#include <webkit2/webkit2.h>

#include <string>

class CCustomControlSite {
public:
    // Takes a floating reference to `view`. `bridgeKey` is the key the
    // window.external script must send with every question.
    CCustomControlSite(WebKitWebView* view, const std::string& bridgeKey);
    ~CCustomControlSite();
    CCustomControlSite(const CCustomControlSite&) = delete;
    CCustomControlSite& operator=(const CCustomControlSite&) = delete;

    WebKitWebView* GetView() const { return m_pView; }

    // The script world in which the program's own scripts run, out of the
    // page scripts' reach.
    static constexpr char kWorld[] = "tharnvale";

private:
    WebKitWebView* m_pView;
};
