#include "web/LoginPageGuard.h"

#include <glib.h>

#include <optional>
#include <string>
#include <utility>

#include "platform/GLibPtr.h"
#include "platform/Resources.h"
#include "platform/Timer.h"
#include "web/CustomControlSite.h"
#include "web/PageDiagnostics.h"
#include "web/PortalOrigins.h"
#include "web/RetrySchedule.h"
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

}  // namespace

struct CLoginPageGuard::Impl {
    Impl(CCustomControlSite& site, std::string loginUrl);
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    enum class Problem { Unreachable, BadCertificate, LeavesHttps, PageKeepsFailing };
    struct Wording {
        const char* title;
        const char* text;
    };
    static Wording WordingOf(Problem problem);

    void OnLoadStarted();
    void OnLoadCommitted();
    void OnLoadFinished();
    bool OnLoadFailed(const std::string& url, LoadFailure failure, const std::string& why);
    void OnInsecure(const std::string& url, const std::string& problems);
    bool OnPageAnswer(unsigned status);
    void OnProcessEnded(bool outOfMemory);
    void OnNetworkChanged(bool available);

    void LoadLoginPage();
    void ShowProblem(Problem problem);
    void OnLoadTimedOut();

    CCustomControlSite& m_site;
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
    : m_pImpl(std::make_unique<Impl>(site, std::move(loginUrl))) {}

CLoginPageGuard::~CLoginPageGuard() {
    m_pImpl->m_site.SetPageLoadSink({});
}

CLoginPageGuard::Impl::Impl(CCustomControlSite& site, std::string loginUrl)
    : m_site(site), m_strLoginUrl(std::move(loginUrl)) {
    site.SetPageLoadSink({
        .onStarted = [this] { OnLoadStarted(); },
        .onCommitted = [this] { OnLoadCommitted(); },
        .onFinished = [this] { OnLoadFinished(); },
        .onFailed = [this](const std::string& url, LoadFailure failure,
                           const std::string& why) { return OnLoadFailed(url, failure, why); },
        .onInsecure = [this](const std::string& url,
                             const std::string& problems) { OnInsecure(url, problems); },
        .onPageAnswer = [this](unsigned status) { return OnPageAnswer(status); },
        .onProcessEnded = [this](bool outOfMemory) { OnProcessEnded(outOfMemory); },
        .onNetworkChanged = [this](bool available) { OnNetworkChanged(available); },
    });
}

void CLoginPageGuard::Impl::LoadLoginPage() {
    m_retryTimer.Stop();
    m_bWaitingToRetry = false;
    m_site.Navigate(m_strLoginUrl);
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
    m_site.ShowOwnPage(html, m_strLoginUrl);
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
    m_site.StopLoading();
}

void CLoginPageGuard::Impl::OnLoadStarted() {
    if (m_bOwnPageLoading) {
        return;
    }
    m_bLoadRefused = false;
    m_unsafeLoad.reset();
    m_loadTimer.StartOnce(kLoadTimeoutSeconds * 1000, [this] { OnLoadTimedOut(); });
}

// The portal answered with a page: whatever waited for it is over.
void CLoginPageGuard::Impl::OnLoadCommitted() {
    if (m_bOwnPageLoading) {
        return;
    }
    m_loadTimer.Stop();
    m_retryTimer.Stop();
    m_bWaitingToRetry = false;
    m_schedule.OnPageLoaded();
}

// A failed load finishes too; only then may the next one start.
void CLoginPageGuard::Impl::OnLoadFinished() {
    if (m_bOwnPageLoading) {
        m_bOwnPageLoading = false;
        return;
    }
    if (m_bLoadFailed) {
        m_bLoadFailed = false;
        m_showTimer.StartOnce(0, [this] { ShowProblem(m_loadFailure); });
    }
}

bool CLoginPageGuard::Impl::OnLoadFailed(const std::string& url, LoadFailure failure,
                                         const std::string& why) {
    m_loadTimer.Stop();
    // A top-level load stopped on its way from https to plain http (by the
    // server's redirect, say) has not reached its page safely either.
    if (failure == LoadFailure::Refused && !url.empty() &&
        !MayNavigate(m_strLoginUrl, url, CPortalOrigins())) {
        m_unsafeLoad = Problem::LeavesHttps;
    }
    if (m_bOwnPageLoading ||
        (!m_bLoadRefused && !m_unsafeLoad && failure != LoadFailure::Unreachable)) {
        return false;
    }
    ReportPageTrouble(AddressForLog(url) + " cannot be loaded: " +
                      (m_bLoadRefused ? "no answer in time, or a server error" : TextForLog(why)));
    m_loadFailure = m_unsafeLoad.value_or(Problem::Unreachable);
    m_bLoadRefused = false;
    m_unsafeLoad.reset();
    m_bLoadFailed = true;
    return true;  // the program's own page instead of the engine's, once this load has finished
}

// The engine has stopped the top-level load at the server's certificate,
// before anything was sent; the failure that follows shows the page that
// says why.
void CLoginPageGuard::Impl::OnInsecure(const std::string& url, const std::string& problems) {
    ReportPageTrouble(AddressForLog(url) + " is not secure: its server's certificate is " +
                      problems);
    m_unsafeLoad = Problem::BadCertificate;
}

// A server error page is the portal being out of service, not a login page:
// it is treated like no answer at all.
bool CLoginPageGuard::Impl::OnPageAnswer(unsigned status) {
    if (status < 500 || status > 599) {
        return false;
    }
    m_bLoadRefused = true;
    return true;
}

void CLoginPageGuard::Impl::OnProcessEnded(bool outOfMemory) {
    ReportPageTrouble(std::string("the login page's process ended (") +
                      (outOfMemory ? "out of memory" : "crashed") + ")");
    m_bOwnPageLoading = false;
    if (m_schedule.OnPageProcessEnded(CRetrySchedule::Clock::now())) {
        LoadLoginPage();
    } else {
        ShowProblem(Problem::PageKeepsFailing);
    }
}

void CLoginPageGuard::Impl::OnNetworkChanged(bool available) {
    if (available && m_bWaitingToRetry) {
        LoadLoginPage();
    }
}
