#include "web/LoginPageGuard.h"

#include <string>
#include <utility>

#include "platform/OwnedPtr.h"
#include "platform/Resources.h"
#include "web/SecureNavigation.h"

namespace {

void ReplaceAll(std::string& text, std::string_view mark, const std::string& value) {
    for (size_t at = text.find(mark); at != std::string::npos;
         at = text.find(mark, at + value.size())) {
        text.replace(at, mark.size(), value);
    }
}

std::string Escaped(const std::string& text) {
    return GCharPtr(g_markup_escape_text(text.c_str(), -1)).get();
}

// What a failed load says about the portal: nothing when the load was only
// stopped (another navigation, or a response the program itself refused).
bool IsOutage(const GError* error) {
    if (error == nullptr) {
        return true;
    }
    if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED)) {
        return false;
    }
    return error->domain != WEBKIT_POLICY_ERROR;
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

}  // namespace

CLoginPageGuard::Wording CLoginPageGuard::WordingOf(Problem problem) {
    switch (problem) {
        case Problem::Unreachable:
            return {"无法连接登录服务器", "请检查网络连接。网络恢复后，登录页面会自动打开。"};
        case Problem::BadCertificate:
            return {"无法建立安全连接",
                    "登录服务器的证书无法验证，连接不安全，已停止加载。请稍后重试或联系客服。"};
        case Problem::LeavesHttps:
            return {"无法建立安全连接",
                    "登录页面试图转到未加密的地址，已停止加载。请稍后重试或联系客服。"};
        case Problem::PageKeepsFailing:
            break;
    }
    return {"登录页面无法正常显示", "登录页面多次意外关闭。请点击重试重新打开。"};
}

CLoginPageGuard::CLoginPageGuard(WebKitWebView* view, std::string loginUrl)
    : m_pView(RefObject(view)),
      m_pNetwork(RefObject(g_network_monitor_get_default())),
      m_strLoginUrl(std::move(loginUrl)) {
    g_signal_connect(m_pView.get(), "load-changed", G_CALLBACK(OnLoadChanged), this);
    g_signal_connect(m_pView.get(), "load-failed", G_CALLBACK(OnLoadFailed), this);
    g_signal_connect(m_pView.get(), "load-failed-with-tls-errors", G_CALLBACK(OnTlsErrors), this);
    g_signal_connect(m_pView.get(), "decide-policy", G_CALLBACK(OnDecidePolicy), this);
    g_signal_connect(m_pView.get(), "web-process-terminated", G_CALLBACK(OnProcessTerminated),
                     this);
    g_signal_connect(m_pNetwork.get(), "network-changed", G_CALLBACK(OnNetworkChanged), this);
}

CLoginPageGuard::~CLoginPageGuard() {
    StopTimer(m_nShowTimer);
    StopTimer(m_nRetryTimer);
    StopTimer(m_nLoadTimer);
    g_signal_handlers_disconnect_by_data(m_pView.get(), this);
    g_signal_handlers_disconnect_by_data(m_pNetwork.get(), this);
}

void CLoginPageGuard::LoadLoginPage() {
    StopTimer(m_nRetryTimer);
    m_bWaitingToRetry = false;
    webkit_web_view_load_uri(m_pView.get(), m_strLoginUrl.c_str());
}

void CLoginPageGuard::ShowProblem(Problem problem) {
    StopTimer(m_nLoadTimer);
    StopTimer(m_nShowTimer);
    const std::optional<CResourceBytes> page = FindWebResource("unreachable.html");
    std::string html = page ? std::string(page->Text())
                            : std::string("<h1>@TITLE@</h1><a href=\"@RETRY@\">重试</a>");
    const Wording wording = WordingOf(problem);
    ReplaceAll(html, "@TITLE@", wording.title);
    ReplaceAll(html, "@TEXT@", wording.text);
    ReplaceAll(html, "@RETRY@", Escaped(m_strLoginUrl));
    m_bOwnPageLoading = true;
    // Shown for the login page's address: a reload (F5) loads the real one.
    webkit_web_view_load_alternate_html(m_pView.get(), html.c_str(), m_strLoginUrl.c_str(),
                                        nullptr);
    // A page that keeps failing waits for the player; the portal's problems
    // may go away by themselves.
    m_bWaitingToRetry = problem != Problem::PageKeepsFailing;
    if (m_bWaitingToRetry) {
        StartTimer(m_nRetryTimer, guint(m_schedule.NextOutageDelay().count()),
                   &CLoginPageGuard::LoadLoginPage);
    }
}

void CLoginPageGuard::ShowLoadFailure() {
    ShowProblem(m_loadFailure);
}

void CLoginPageGuard::StartTimer(guint& timer, guint seconds, void (CLoginPageGuard::*action)()) {
    StopTimer(timer);
    struct Call {
        CLoginPageGuard* self;
        guint* timer;
        void (CLoginPageGuard::*action)();
    };
    timer = g_timeout_add_full(
        G_PRIORITY_DEFAULT, seconds * 1000,
        [](gpointer data) -> gboolean {
            const Call* call = static_cast<Call*>(data);
            *call->timer = 0;
            (call->self->*call->action)();
            return G_SOURCE_REMOVE;
        },
        new Call{this, &timer, action}, [](gpointer data) { delete static_cast<Call*>(data); });
}

void CLoginPageGuard::StopTimer(guint& timer) {
    if (timer != 0) {
        g_source_remove(timer);
        timer = 0;
    }
}

void CLoginPageGuard::OnLoadTimedOut() {
    m_bLoadRefused = true;
    webkit_web_view_stop_loading(m_pView.get());
}

void CLoginPageGuard::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, CLoginPageGuard* self) {
    if (self->m_bOwnPageLoading) {
        if (event == WEBKIT_LOAD_FINISHED) {
            self->m_bOwnPageLoading = false;
        }
        return;
    }
    switch (event) {
        case WEBKIT_LOAD_STARTED:
            self->m_bLoadRefused = false;
            self->m_unsafeLoad.reset();
            self->StartTimer(self->m_nLoadTimer, kLoadTimeoutSeconds,
                             &CLoginPageGuard::OnLoadTimedOut);
            break;
        case WEBKIT_LOAD_COMMITTED:
            // The portal answered with a page: whatever waited for it is over.
            StopTimer(self->m_nLoadTimer);
            StopTimer(self->m_nRetryTimer);
            self->m_bWaitingToRetry = false;
            self->m_schedule.OnPageLoaded();
            break;
        case WEBKIT_LOAD_FINISHED:
            // A failed load finishes too; only then may the next one start.
            if (self->m_bLoadFailed) {
                self->m_bLoadFailed = false;
                self->StartTimer(self->m_nShowTimer, 0, &CLoginPageGuard::ShowLoadFailure);
            }
            break;
        default:
            break;
    }
}

gboolean CLoginPageGuard::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                                       CLoginPageGuard* self) {
    StopTimer(self->m_nLoadTimer);
    // A top-level load stopped on its way from https to plain http (by the
    // server's redirect, say) has not reached its page safely either.
    if (uri != nullptr &&
        g_error_matches(error, WEBKIT_POLICY_ERROR,
                        WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE) &&
        !MayNavigate(self->m_strLoginUrl, uri)) {
        self->m_unsafeLoad = Problem::LeavesHttps;
    }
    if (self->m_bOwnPageLoading ||
        (!self->m_bLoadRefused && !self->m_unsafeLoad && !IsOutage(error))) {
        return FALSE;
    }
    g_printerr("login-launcher: %s cannot be loaded: %s\n", uri != nullptr ? uri : "the page",
               self->m_bLoadRefused ? "no answer in time, or a server error" : error->message);
    self->m_loadFailure = self->m_unsafeLoad.value_or(Problem::Unreachable);
    self->m_bLoadRefused = false;
    self->m_unsafeLoad.reset();
    self->m_bLoadFailed = true;
    return TRUE;  // the program's own page instead of the engine's, once this load has finished
}

// The engine has stopped the top-level load at the server's certificate,
// before anything was sent. Not handled here, so that the engine reports the
// load as failed, as every other watcher of the view expects of a load that
// shows no page; the failure then shows the page that says why.
gboolean CLoginPageGuard::OnTlsErrors(WebKitWebView*, gchar* uri, GTlsCertificate*,
                                      GTlsCertificateFlags errors, CLoginPageGuard* self) {
    g_printerr("login-launcher: %s is not secure: its server's certificate is %s\n",
               uri != nullptr ? uri : "the page", CertificateProblems(errors).c_str());
    self->m_unsafeLoad = Problem::BadCertificate;
    return FALSE;
}

gboolean CLoginPageGuard::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                         WebKitPolicyDecisionType type, CLoginPageGuard* self) {
    if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        return FALSE;
    }
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    const guint status =
        webkit_uri_response_get_status_code(webkit_response_policy_decision_get_response(response));
    if (!webkit_response_policy_decision_is_main_frame_main_resource(response) || status < 500 ||
        status > 599) {
        return FALSE;
    }
    // A server error page is the portal being out of service, not a login
    // page: it is treated like no answer at all.
    self->m_bLoadRefused = true;
    webkit_policy_decision_ignore(decision);
    return TRUE;
}

void CLoginPageGuard::OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                          CLoginPageGuard* self) {
    g_printerr("login-launcher: the login page's process ended (%s)\n",
               reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT ? "out of memory" : "crashed");
    self->m_bOwnPageLoading = false;
    if (self->m_schedule.OnPageProcessEnded(CRetrySchedule::Clock::now())) {
        self->LoadLoginPage();
    } else {
        self->ShowProblem(Problem::PageKeepsFailing);
    }
}

void CLoginPageGuard::OnNetworkChanged(GNetworkMonitor*, gboolean available,
                                       CLoginPageGuard* self) {
    if (available && self->m_bWaitingToRetry) {
        self->LoadLoginPage();
    }
}
