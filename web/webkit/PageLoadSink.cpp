// The engine's top-level load signals, its process's end, its response
// decisions and the network's state, told to the program's page logic in
// the program's own words (CPageLoadSink).

#include <webkit2/webkit2.h>

#include <string>
#include <utility>

#include "platform/GLibPtr.h"
#include "web/CustomControlSite.h"
#include "web/webkit/EngineSite.h"

namespace {

using Impl = CCustomControlSite::Impl;

LoadFailure FailureOf(const GError* error) {
    if (error == nullptr) {
        return LoadFailure::Unreachable;
    }
    if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED)) {
        return LoadFailure::Stopped;
    }
    return error->domain == WEBKIT_POLICY_ERROR ? LoadFailure::Refused : LoadFailure::Unreachable;
}

// What is wrong with a certificate, in the words of the log.
std::string CertificateProblems(GTlsCertificateFlags errors) {
    static constexpr std::pair<GTlsCertificateFlags, const char*> kProblems[] = {
        {G_TLS_CERTIFICATE_UNKNOWN_CA, "issued by an authority not trusted"},
        {G_TLS_CERTIFICATE_BAD_IDENTITY, "made out for another host"},
        {G_TLS_CERTIFICATE_NOT_ACTIVATED, "not valid yet"},
        {G_TLS_CERTIFICATE_EXPIRED, "expired"},
        {G_TLS_CERTIFICATE_REVOKED, "revoked"},
        {G_TLS_CERTIFICATE_INSECURE, "made with an insecure algorithm"},
    };
    std::string text;
    for (const auto& [flag, words] : kProblems) {
        if ((errors & flag) != 0) {
            text += (text.empty() ? "" : ", ") + std::string(words);
        }
    }
    return text.empty() ? "not acceptable" : text;
}

void Call(const std::function<void()>& handler) {
    if (handler) {
        handler();
    }
}

void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, Impl* site) {
    switch (event) {
        case WEBKIT_LOAD_STARTED:
            Call(site->pageLoad.onStarted);
            break;
        case WEBKIT_LOAD_COMMITTED:
            Call(site->pageLoad.onCommitted);
            break;
        case WEBKIT_LOAD_FINISHED:
            Call(site->pageLoad.onFinished);
            break;
        default:
            break;
    }
}

gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error, Impl* site) {
    const bool own = site->pageLoad.onFailed &&
                     site->pageLoad.onFailed(uri != nullptr ? uri : "", FailureOf(error),
                                             error != nullptr ? error->message : "");
    return own ? TRUE : FALSE;
}

// Not handled here, so that the engine reports the load as failed, as every
// other watcher of the view expects of a load that shows no page.
gboolean OnTlsErrors(WebKitWebView*, gchar* uri, GTlsCertificate*, GTlsCertificateFlags errors,
                     Impl* site) {
    if (site->pageLoad.onInsecure) {
        site->pageLoad.onInsecure(uri != nullptr ? uri : "", CertificateProblems(errors));
    }
    return FALSE;
}

void OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason, Impl* site) {
    if (site->pageLoad.onProcessEnded) {
        site->pageLoad.onProcessEnded(reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT);
    }
}

void OnNetworkChanged(GNetworkMonitor*, gboolean available, Impl* site) {
    if (site->pageLoad.onNetworkChanged) {
        site->pageLoad.onNetworkChanged(available != FALSE);
    }
}

// The top-level page's own answer, before the engine shows it.
bool DecidePageAnswer(Impl& site, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
    if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE || !site.pageLoad.onPageAnswer) {
        return false;
    }
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    if (!webkit_response_policy_decision_is_main_frame_main_resource(response)) {
        return false;
    }
    const guint status =
        webkit_uri_response_get_status_code(webkit_response_policy_decision_get_response(response));
    if (!site.pageLoad.onPageAnswer(status)) {
        return false;
    }
    webkit_policy_decision_ignore(decision);
    return true;
}

}  // namespace

void CCustomControlSite::SetPageLoadSink(CPageLoadSink sink) {
    Impl& site = *m_pImpl;
    site.pageLoad = std::move(sink);
    if (site.network != nullptr) {
        return;  // connected at the first call
    }
    WebKitWebView* view = site.view.get();
    site.loadSignals.Add(view, "load-changed", G_CALLBACK(OnLoadChanged), &site);
    site.loadSignals.Add(view, "load-failed", G_CALLBACK(OnLoadFailed), &site);
    site.loadSignals.Add(view, "load-failed-with-tls-errors", G_CALLBACK(OnTlsErrors), &site);
    site.loadSignals.Add(view, "web-process-terminated", G_CALLBACK(OnProcessTerminated), &site);
    site.network = RefObject(g_network_monitor_get_default());
    site.loadSignals.Add(site.network.get(), "network-changed", G_CALLBACK(OnNetworkChanged),
                         &site);
    site.navigation.SetPageGuard(
        [&site](WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
            return DecidePageAnswer(site, decision, type);
        });
}

void CCustomControlSite::ShowOwnPage(const std::string& html, const std::string& utf8Url) {
    webkit_web_view_load_alternate_html(m_pImpl->view.get(), html.c_str(), utf8Url.c_str(),
                                        nullptr);
}

void CCustomControlSite::StopLoading() {
    webkit_web_view_stop_loading(m_pImpl->view.get());
}
