#pragma once

// Keeps the login page on screen through what the player cannot fix from
// the launcher: the page's process dying, and the portal being out of reach.
//   - When the page's process ends, the login page is loaded again; when it
//     ends again and again, a page of the program's own asks the player.
//   - When the top-level page cannot be loaded (refused, dropped, timed out,
//     no such host, a 5xx answer), a page of the program's own says so and
//     the login page is tried again by itself, sooner when the network comes
//     back. F5 and the page's 重试 try at once.
//   - When the top-level page's server shows a certificate the system does
//     not vouch for, the page of the program's own says the connection is not
//     secure, and nothing of that server is shown. There is no way past it;
//     the page is tried again as for an outage, since a certificate put
//     right on the server brings it back, and a try sends nothing. The same
//     page shows when a top-level load was stopped on its way from an https
//     login to plain http.
// The program's own pages are shown for the login page's address, so they
// hand nothing off, and a reload of them loads the login page.

#include <webkit2/webkit2.h>

#include <optional>
#include <string>

#include "platform/OwnedPtr.h"
#include "web/RetrySchedule.h"

class CLoginPageGuard {
public:
    CLoginPageGuard(WebKitWebView* view, std::string loginUrl);
    ~CLoginPageGuard();
    CLoginPageGuard(const CLoginPageGuard&) = delete;
    CLoginPageGuard& operator=(const CLoginPageGuard&) = delete;

    // How long a top-level page may take until it has committed.
    static constexpr guint kLoadTimeoutSeconds = 30;

private:
    enum class Problem { Unreachable, BadCertificate, LeavesHttps, PageKeepsFailing };
    struct Wording {
        const char* title;
        const char* text;
    };
    static Wording WordingOf(Problem problem);

    static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, CLoginPageGuard* self);
    static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                                 CLoginPageGuard* self);
    static gboolean OnTlsErrors(WebKitWebView*, gchar* uri, GTlsCertificate*,
                                GTlsCertificateFlags errors, CLoginPageGuard* self);
    static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, CLoginPageGuard* self);
    static void OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                    CLoginPageGuard* self);
    static void OnNetworkChanged(GNetworkMonitor*, gboolean available, CLoginPageGuard* self);

    void LoadLoginPage();
    void ShowProblem(Problem problem);
    void ShowLoadFailure();
    void StartTimer(guint& timer, guint seconds, void (CLoginPageGuard::*action)());
    static void StopTimer(guint& timer);
    void OnLoadTimedOut();

    GObjectPtr<WebKitWebView> m_pView;
    GObjectPtr<GNetworkMonitor> m_pNetwork;
    std::string m_strLoginUrl;
    CRetrySchedule m_schedule;
    guint m_nRetryTimer = 0;
    guint m_nLoadTimer = 0;
    guint m_nShowTimer = 0;
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
