#include "web/LoginPageGuard.h"

#include <webkit2/webkit2.h>

#include <optional>
#include <string>
#include <utility>

#include "platform/GLibPtr.h"
#include "platform/Resources.h"
#include "platform/Timer.h"
#include "platform/gtk/SignalConnection.h"
#include "web/CustomControlSite.h"
#include "web/PageDiagnostics.h"
#include "web/RetrySchedule.h"
#include "web/SecureNavigation.h"
#include "web/webkit/EngineSite.h"

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

struct CLoginPageGuard::Impl {
    Impl(CCustomControlSite::Impl& site, std::string loginUrl);
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    enum class Problem { Unreachable, BadCertificate, LeavesHttps, PageKeepsFailing };
    struct Wording {
        const char* title;
        const char* text;
    };
    static Wording WordingOf(Problem problem);

    static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, Impl* self);
    static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                                 Impl* self);
    static gboolean OnTlsErrors(WebKitWebView*, gchar* uri, GTlsCertificate*,
                                GTlsCertificateFlags errors, Impl* self);
    static void OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                    Impl* self);
    static void OnNetworkChanged(GNetworkMonitor*, gboolean available, Impl* self);
    bool DecideResponse(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type);

    void LoadLoginPage();
    void ShowProblem(Problem problem);
    void OnLoadTimedOut();

    CCustomControlSite::Impl& m_site;
    WebKitWebView* const m_pView;
    GObjectPtr<GNetworkMonitor> m_pNetwork;
    std::string m_strLoginUrl;
    CRetrySchedule m_schedule;
    CTimer m_retryTimer;
    CTimer m_loadTimer;
    CTimer m_showTimer;
    // Our own page is being loaded: its load events are not the portal's.
    bool m_bOwnPageLoading = false;
    // Showing the unreachable page, waiting to try again.
    bool m_bWaitingToRetry = false;
    // The current load failed for a reason the engine reports otherwise: a
    // 5xx answer refused, or the load stopped for taking too long.
    bool m_bLoadRefused = false;
    // The engine stopped the current load for the player's safety: what the
    // page that follows says (BadCertificate or LeavesHttps).
    std::optional<Problem> m_unsafeLoad;
    // The current load has failed; the program's page follows its end.
    bool m_bLoadFailed = false;
    // What the page that follows a failed load says.
    Problem m_loadFailure = Problem::Unreachable;
    CSignalConnections m_signals;
};

CLoginPageGuard::Impl::Wording CLoginPageGuard::Impl::WordingOf(Problem problem) {
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

CLoginPageGuard::CLoginPageGuard(CCustomControlSite& site, std::string loginUrl)
    : m_pImpl(std::make_unique<Impl>(site.Engine(), std::move(loginUrl))) {}

CLoginPageGuard::~CLoginPageGuard() = default;

CLoginPageGuard::Impl::Impl(CCustomControlSite::Impl& site, std::string loginUrl)
    : m_site(site),
      m_pView(site.view.get()),
      m_pNetwork(RefObject(g_network_monitor_get_default())),
      m_strLoginUrl(std::move(loginUrl)) {
    m_signals.Add(m_pView, "load-changed", G_CALLBACK(OnLoadChanged), this);
    m_signals.Add(m_pView, "load-failed", G_CALLBACK(OnLoadFailed), this);
    m_signals.Add(m_pView, "load-failed-with-tls-errors", G_CALLBACK(OnTlsErrors), this);
    m_signals.Add(m_pView, "web-process-terminated", G_CALLBACK(OnProcessTerminated), this);
    m_signals.Add(m_pNetwork.get(), "network-changed", G_CALLBACK(OnNetworkChanged), this);
    site.navigation.SetPageGuard(
        [this](WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
            return DecideResponse(decision, type);
        });
}

CLoginPageGuard::Impl::~Impl() {
    m_site.navigation.SetPageGuard(nullptr);
}

void CLoginPageGuard::Impl::LoadLoginPage() {
    m_retryTimer.Stop();
    m_bWaitingToRetry = false;
    webkit_web_view_load_uri(m_pView, m_strLoginUrl.c_str());
}

void CLoginPageGuard::Impl::ShowProblem(Problem problem) {
    m_loadTimer.Stop();
    m_showTimer.Stop();
    const std::optional<CResourceBytes> page = FindWebResource("unreachable.html");
    std::string html = page ? std::string(page->Text())
                            : std::string("<h1>@TITLE@</h1><a href=\"@RETRY@\">重试</a>");
    const Wording wording = WordingOf(problem);
    ReplaceAll(html, "@TITLE@", wording.title);
    ReplaceAll(html, "@TEXT@", wording.text);
    ReplaceAll(html, "@RETRY@", Escaped(m_strLoginUrl));
    m_bOwnPageLoading = true;
    // Shown for the login page's address: a reload (F5) loads the real one.
    webkit_web_view_load_alternate_html(m_pView, html.c_str(), m_strLoginUrl.c_str(), nullptr);
    // A page that keeps failing waits for the player; the portal's problems
    // may go away by themselves.
    m_bWaitingToRetry = problem != Problem::PageKeepsFailing;
    if (m_bWaitingToRetry) {
        m_retryTimer.StartOnce(unsigned(m_schedule.NextOutageDelay().count()) * 1000,
                               [this] { LoadLoginPage(); });
    }
}

void CLoginPageGuard::Impl::OnLoadTimedOut() {
    m_bLoadRefused = true;
    webkit_web_view_stop_loading(m_pView);
}

void CLoginPageGuard::Impl::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, Impl* self) {
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
            self->m_loadTimer.StartOnce(kLoadTimeoutSeconds * 1000,
                                        [self] { self->OnLoadTimedOut(); });
            break;
        case WEBKIT_LOAD_COMMITTED:
            // The portal answered with a page: whatever waited for it is over.
            self->m_loadTimer.Stop();
            self->m_retryTimer.Stop();
            self->m_bWaitingToRetry = false;
            self->m_schedule.OnPageLoaded();
            break;
        case WEBKIT_LOAD_FINISHED:
            // A failed load finishes too; only then may the next one start.
            if (self->m_bLoadFailed) {
                self->m_bLoadFailed = false;
                self->m_showTimer.StartOnce(0, [self] { self->ShowProblem(self->m_loadFailure); });
            }
            break;
        default:
            break;
    }
}

gboolean CLoginPageGuard::Impl::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri,
                                             GError* error, Impl* self) {
    self->m_loadTimer.Stop();
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
    ReportPageTrouble(AddressForLog(uri != nullptr ? uri : "") + " cannot be loaded: " +
                      (self->m_bLoadRefused ? "no answer in time, or a server error"
                                            : TextForLog(error->message)));
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
gboolean CLoginPageGuard::Impl::OnTlsErrors(WebKitWebView*, gchar* uri, GTlsCertificate*,
                                            GTlsCertificateFlags errors, Impl* self) {
    ReportPageTrouble(AddressForLog(uri != nullptr ? uri : "") +
                      " is not secure: its server's certificate is " + CertificateProblems(errors));
    self->m_unsafeLoad = Problem::BadCertificate;
    return FALSE;
}

bool CLoginPageGuard::Impl::DecideResponse(WebKitPolicyDecision* decision,
                                           WebKitPolicyDecisionType type) {
    if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        return false;
    }
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    const guint status =
        webkit_uri_response_get_status_code(webkit_response_policy_decision_get_response(response));
    if (!webkit_response_policy_decision_is_main_frame_main_resource(response) || status < 500 ||
        status > 599) {
        return false;
    }
    // A server error page is the portal being out of service, not a login
    // page: it is treated like no answer at all.
    m_bLoadRefused = true;
    webkit_policy_decision_ignore(decision);
    return true;
}

void CLoginPageGuard::Impl::OnProcessTerminated(WebKitWebView*,
                                                WebKitWebProcessTerminationReason reason,
                                                Impl* self) {
    g_printerr("login-launcher: the login page's process ended (%s)\n",
               reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT ? "out of memory" : "crashed");
    self->m_bOwnPageLoading = false;
    if (self->m_schedule.OnPageProcessEnded(CRetrySchedule::Clock::now())) {
        self->LoadLoginPage();
    } else {
        self->ShowProblem(Problem::PageKeepsFailing);
    }
}

void CLoginPageGuard::Impl::OnNetworkChanged(GNetworkMonitor*, gboolean available, Impl* self) {
    if (available && self->m_bWaitingToRetry) {
        self->LoadLoginPage();
    }
}
