#pragma once

// Turns the engine's signals into the browser events the login window
// handles, in one place:
//   - navigation complete, with its address: the top-level page when it
//     commits, and every frame (reported by a script in the program's own
//     script world, since the engine reports top-level loads only);
//   - document complete, with its address: the top-level page when it has
//     loaded, and every frame's load event;
//   - before navigation, with its address, for every navigation request;
//   - link click, with the link's target, from the subscriptions the login
//     window makes.
// A load that fails reports neither its address nor, again, the previous
// page's: only what actually completes is reported.

#include <webkit2/webkit2.h>

#include <functional>
#include <string>

#include "platform/OwnedPtr.h"

struct CBrowserEventSink {
    std::function<void(const std::u16string& url)> onNavigateComplete;
    std::function<void(const std::u16string& url)> onDocumentComplete;
    std::function<void(const std::u16string& url)> onBeforeNavigate;
    std::function<void(const std::u16string& href)> onLinkClick;
};

class CBrowserEvents {
public:
    CBrowserEvents(WebKitWebView* view, CBrowserEventSink sink);
    ~CBrowserEvents();
    CBrowserEvents(const CBrowserEvents&) = delete;
    CBrowserEvents& operator=(const CBrowserEvents&) = delete;

    // The message handlers the program's scripts post to.
    static constexpr char kFramesHandler[] = "tharnvaleFrames";
    static constexpr char kLinksHandler[] = "tharnvaleLinks";

private:
    static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, CBrowserEvents* self);
    static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*,
                                 CBrowserEvents* self);
    static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, CBrowserEvents* self);
    static void OnFrameMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                               CBrowserEvents* self);
    static void OnLinkMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                              CBrowserEvents* self);
    // Runs a handler; nothing it throws may unwind into the engine.
    static void Deliver(const std::function<void(const std::u16string&)>& handler,
                        const char* utf8);

    GObjectPtr<WebKitWebView> m_pView;
    WebKitUserContentManager* m_pContent;
    CBrowserEventSink m_sink;
    bool m_bLoadFailed = false;
};
