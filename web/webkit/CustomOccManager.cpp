#include <webkit2/webkit2.h>

#include <exception>
#include <memory>
#include <string>

#include "platform/GLibPtr.h"
#include "platform/PrivateDirectory.h"
#include "platform/gtk/SignalConnection.h"
#include "web/CustomOccManager.h"
#include "web/ExternalBridge.h"
#include "web/PageDiagnostics.h"
#include "web/PortalOrigins.h"
#include "web/webkit/EngineSite.h"

namespace {

// The address scheme of the script bridge's requests (web/scripts/external.js).
constexpr char kExternalScheme[] = "tharnvale-external";
// Marks the browsers that show login pages, the only ones the bridge answers.
constexpr char kLoginViewMark[] = "tharnvale-login-view";

void FinishWithText(WebKitURISchemeRequest* request, const std::string& json) {
    const GObjectPtr<GInputStream> stream(
        g_memory_input_stream_new_from_data(g_strdup(json.c_str()), gssize(json.size()), g_free));
    webkit_uri_scheme_request_finish(request, stream.get(), gint64(json.size()),
                                     "application/json");
}

// The origin of the document that asks, as its engine says: no page can
// write this header itself.
std::string AskingOrigin(WebKitURISchemeRequest* request) {
    SoupMessageHeaders* headers = webkit_uri_scheme_request_get_http_headers(request);
    const char* origin =
        headers != nullptr ? soup_message_headers_get_one(headers, "Origin") : nullptr;
    return origin != nullptr ? origin : "";
}

void Refuse(WebKitURISchemeRequest* request) {
    const GErrorPtr error(
        g_error_new_literal(G_IO_ERROR, G_IO_ERROR_PERMISSION_DENIED, "not a bridge call"));
    webkit_uri_scheme_request_finish_error(request, error.get());
}

// Nothing a page offers is ever saved: a download the engine starts (a link
// with a download attribute, say) is cancelled before it has a place to go.
// A page that starts one in a loop floods nothing: its line counts against
// the page's limit.
void OnDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer) {
    WebKitURIRequest* request = webkit_download_get_request(download);
    const std::string line =
        "refused to download " +
        AddressForLog(request != nullptr ? webkit_uri_request_get_uri(request) : "");
    WebKitWebView* view = webkit_download_get_web_view(download);
    auto* trouble =
        view != nullptr
            ? static_cast<CPageTroubleLog*>(g_object_get_data(G_OBJECT(view), kTroubleLogKey))
            : nullptr;
    if (trouble != nullptr) {
        trouble->Report(line);
    } else {
        ReportPageTrouble(line);
    }
    // The download holds this handler, which needs nothing else, for as long
    // as it lives: there is no connection for anyone to own.
    g_signal_connect(download, "decide-destination",
                     G_CALLBACK(+[](WebKitDownload*, gchar*, gpointer) {
                         return TRUE;  // no destination, ever
                     }),
                     nullptr);
    webkit_download_cancel(download);
}

}  // namespace

struct CCustomOccManager::Impl {
    explicit Impl(const CPortalOrigins& portal) : m_portal(portal) {}
    WebKitWebContext* Context();
    static void OnExternalRequest(WebKitURISchemeRequest* request, Impl* self);

    GObjectPtr<WebKitWebContext> m_pContext;
    CImpIDispatch* m_pBridge = nullptr;
    const CPortalOrigins m_portal;
    // This run's secret between the program and its window.external script.
    const std::string m_strBridgeKey = MakeBridgeKey();
    CSignalConnections m_signals;
};

CCustomOccManager::CCustomOccManager(const CPortalOrigins& portalOrigins)
    : m_pImpl(std::make_unique<Impl>(portalOrigins)) {}

CCustomOccManager::~CCustomOccManager() = default;

void CCustomOccManager::SetBridge(CImpIDispatch* pBridge) {
    m_pImpl->m_pBridge = pBridge;
}

WebKitWebContext* CCustomOccManager::Impl::Context() {
    if (m_pContext != nullptr) {
        return m_pContext.get();
    }
    const GCharPtr dataFolder(
        g_build_filename(g_get_user_data_dir(), "tharnvale-login-launcher", nullptr));
    const GCharPtr cacheFolder(
        g_build_filename(g_get_user_cache_dir(), "tharnvale-login-launcher", nullptr));
    const char* data = dataFolder.get();
    const char* cache = cacheFolder.get();
    // The cookies hold the login session: the folders are made private before
    // the engine creates anything in them with its own, wider modes. Where
    // that cannot be done, nothing is kept on disk at all.
    GObjectPtr<WebKitWebsiteDataManager> store;
    if (MakePrivateDirectory(data) && MakePrivateDirectory(cache)) {
        store.reset(webkit_website_data_manager_new("base-data-directory", data,
                                                    "base-cache-directory", cache, nullptr));
        const GCharPtr cookies(g_build_filename(data, "cookies.sqlite", nullptr));
        webkit_cookie_manager_set_persistent_storage(
            webkit_website_data_manager_get_cookie_manager(store.get()), cookies.get(),
            WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
    } else {
        g_printerr("login-launcher: %s or %s cannot be made private; the login is not remembered\n",
                   data, cache);
        store.reset(webkit_website_data_manager_new_ephemeral());
    }
    // A page whose server shows a certificate the system's trust store does
    // not vouch for is never shown, whatever the engine's default; see
    // CLoginPageGuard for what the player sees instead.
    webkit_website_data_manager_set_tls_errors_policy(store.get(), WEBKIT_TLS_ERRORS_POLICY_FAIL);
    // Partners' sign-ins may stand in frames of their own origin on the
    // portal's page, and keep their session in their own cookies. A web
    // browser's default (no third-party cookies, tracking prevention) sends
    // those cookies nowhere, so such a sign-in would start over at every
    // step. Here every page is the portal's or one it brought in; there is
    // no other site to follow the player across.
    webkit_cookie_manager_set_accept_policy(
        webkit_website_data_manager_get_cookie_manager(store.get()),
        WEBKIT_COOKIE_POLICY_ACCEPT_ALWAYS);
    webkit_website_data_manager_set_itp_enabled(store.get(), FALSE);
    m_pContext.reset(webkit_web_context_new_with_website_data_manager(store.get()));
    webkit_web_context_register_uri_scheme(
        m_pContext.get(), kExternalScheme,
        reinterpret_cast<WebKitURISchemeRequestCallback>(OnExternalRequest), this, nullptr);
    // The bridge never leaves the program: a page served over https may ask
    // it, as it asks its own server, without the engine refusing the
    // request as insecure content.
    webkit_security_manager_register_uri_scheme_as_secure(
        webkit_web_context_get_security_manager(m_pContext.get()), kExternalScheme);
    m_signals.Add(m_pContext.get(), "download-started", G_CALLBACK(OnDownloadStarted), nullptr);
    return m_pContext.get();
}

// A page's script asks the bridge something; it waits for the answer, so
// everything the call starts (a download included) happens before it goes on.
// Only the portal's own documents in the login pages' browsers may ask: a
// partner's pop-up shares their web process and their scripts, and any page
// may come to show in the login window, but neither ever reaches the bridge.
void CCustomOccManager::Impl::OnExternalRequest(WebKitURISchemeRequest* request, Impl* self) {
    const char* uri = webkit_uri_scheme_request_get_uri(request);
    WebKitWebView* asker = webkit_uri_scheme_request_get_web_view(request);
    const bool fromLoginPage = asker != nullptr &&
                               g_object_get_data(G_OBJECT(asker), kLoginViewMark) != nullptr &&
                               self->m_portal.Holds(AskingOrigin(request));
    std::optional<std::string> answer;
    try {
        if (self->m_pBridge != nullptr && fromLoginPage) {
            answer = AnswerExternalRequest(*self->m_pBridge, uri != nullptr ? uri : "",
                                           self->m_strBridgeKey);
        }
    } catch (const std::exception& e) {
        g_printerr("login-launcher: window.external call failed: %s\n", e.what());
    }
    if (answer) {
        FinishWithText(request, *answer);
    } else {
        Refuse(request);
    }
}

std::unique_ptr<CCustomControlSite> CCustomOccManager::CreateSite() {
    const GObjectPtr<WebKitUserContentManager> content(webkit_user_content_manager_new());
    auto* view =
        WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", m_pImpl->Context(),
                                     "user-content-manager", content.get(), nullptr));
    g_object_set_data(G_OBJECT(view), kLoginViewMark, GINT_TO_POINTER(1));
    return std::make_unique<CCustomControlSite>(std::make_unique<CCustomControlSite::Impl>(
        view, m_pImpl->m_strBridgeKey, m_pImpl->m_portal));
}
