#pragma once

// The one handler of a view's navigation and response decisions. Three
// parties have a say, and they are asked in a fixed order until one of them
// decides; what no party decides, the engine decides as it would.

#include <webkit2/webkit2.h>

#include <functional>

#include "platform/gtk/SignalConnection.h"

class CNavigationDispatcher {
public:
    // True: the party has decided (used or ignored the decision), and no
    // party after it is asked.
    using Party = std::function<bool(WebKitPolicyDecision*, WebKitPolicyDecisionType)>;

    explicit CNavigationDispatcher(WebKitWebView* view);

    // The host policy: never leave https, never save a download.
    void SetHostPolicy(Party party) { m_hostPolicy = std::move(party); }
    // The page guard: a server error page counts as no answer.
    void SetPageGuard(Party party) { m_pageGuard = std::move(party); }
    // The browser events: reports each navigation about to happen.
    void SetBrowserEvents(Party party) { m_browserEvents = std::move(party); }

private:
    static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, CNavigationDispatcher* self);
    bool Decide(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) const;

    Party m_hostPolicy;
    Party m_pageGuard;
    Party m_browserEvents;
    CSignalConnection m_connection;
};
