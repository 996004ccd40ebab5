#include "web/webkit/NavigationDispatcher.h"

CNavigationDispatcher::CNavigationDispatcher(WebKitWebView* view)
    : m_connection(view, "decide-policy", G_CALLBACK(OnDecidePolicy), this) {}

gboolean CNavigationDispatcher::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                               WebKitPolicyDecisionType type,
                                               CNavigationDispatcher* self) {
    return self->Decide(decision, type) ? TRUE : FALSE;
}

// The host policy comes first: what it refuses (a way out of https, a
// download) must never happen, so nothing after it hears of it; a refused
// navigation is in particular never reported as about to happen. The page
// guard decides responses only and the browser events report navigation
// actions only, so between those two the order changes nothing; the guard
// goes first because it decides and the events only listen.
bool CNavigationDispatcher::Decide(WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type) const {
    for (const Party* party : {&m_hostPolicy, &m_pageGuard, &m_browserEvents}) {
        if (*party && (*party)(decision, type)) {
            return true;
        }
    }
    return false;
}
