#pragma once

// What the engine holds of one browser: its view, the cancellable that
// drops its late answers, its signal connections and the one handler of
// its navigation decisions. Shared by the engine side's classes only.

#include <webkit2/webkit2.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/GLibPtr.h"
#include "platform/gtk/SignalConnection.h"
#include "web/CustomControlSite.h"
#include "web/PageDiagnostics.h"
#include "web/PortalOrigins.h"
#include "web/webkit/NavigationDispatcher.h"
#include "web/webkit/PopupWindows.h"

// The script world in which the program's own scripts run, out of the page
// scripts' reach.
inline constexpr char kScriptWorld[] = "tharnvale";
// The data of a browser that names the CPageTroubleLog its page's refusals
// count against (the login page's, for it and its pop-ups alike), for the
// engine's signals that name only the browser.
inline constexpr char kTroubleLogKey[] = "tharnvale-trouble-log";

// The string member `name` of a script's message (an object); nullopt when
// the message is no object or the member no string.
inline std::optional<std::string> StringMember(JSCValue* message, const char* name) {
    if (!jsc_value_is_object(message)) {
        return std::nullopt;
    }
    const GObjectPtr<JSCValue> member(jsc_value_object_get_property(message, name));
    if (!jsc_value_is_string(member.get())) {
        return std::nullopt;
    }
    return std::string(GCharPtr(jsc_value_to_string(member.get())).get());
}

// What a browser's host policy goes by: the login page's address, whose
// https rule its pop-ups keep too; the origins whose plain-http callback
// addresses it may go to (none for a pop-up, which hands off nothing); and
// the log its refusals count against, so that a page refused in a loop
// does not flood the diagnostics.
struct CHostRules {
    const std::string& loginUrl;
    const CPortalOrigins& callbackOrigins;
    CPageTroubleLog& trouble;
};

// The host policy's part of a browser's navigation decisions, the login
// page's and its pop-ups' alike: true when it has decided.
bool DecideHostPolicy(const CHostRules& rules, WebKitPolicyDecision* decision,
                      WebKitPolicyDecisionType type);

// The rest of the host policy that every browser keeps, the login page's
// and its pop-ups' alike: no context menu, no permission granted, and the
// program's say on every new window, which counts the player's clicks and
// keys in the browser.
void ConnectHostPolicy(CSignalConnections& signals, WebKitWebView* view, CPopupWindows& popups);

// Has the pages that `content` shows tell, from the program's script world,
// when a text field takes the keyboard or lets it go (web/scripts/fields.js),
// kept in `fieldHasKeyboard`; in game mode a field that takes it asks for the
// handheld's on-screen keyboard.
void WatchTextFields(CSignalConnections& signals, WebKitUserContentManager* content,
                     bool* fieldHasKeyboard);

struct CCustomControlSite::Impl {
    // Takes a floating reference to `view`. `bridgeKey` is the key the
    // window.external script must send with every question; only documents
    // of `portal` get that script.
    Impl(WebKitWebView* view, const std::string& bridgeKey, const CPortalOrigins& portal);
    // Answers still on their way are dropped.
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    GObjectPtr<WebKitWebView> view;
    const GObjectPtr<GCancellable> cancellable{g_cancellable_new()};
    std::string loginUrl;
    // The browsers' maker's, which outlives every browser.
    const CPortalOrigins& portal;
    int width = 0;
    int height = 0;
    std::function<void()> onPointerMotion;
    CPageTroubleLog trouble;
    const CHostRules rules{loginUrl, portal, trouble};
    // Whether a text field of the page has the keyboard, as fields.js says.
    bool fieldHasKeyboard = false;
    // The program's page logic, and what tells it (web/webkit/PageLoadSink.cpp).
    CPageLoadSink pageLoad;
    GObjectPtr<GNetworkMonitor> network;
    CSignalConnections loadSignals;
    CNavigationDispatcher navigation{view.get()};
    // Before the view goes, its pop-ups go.
    CPopupWindows popups{loginUrl, trouble, view.get()};
    CSignalConnections signals;
};
