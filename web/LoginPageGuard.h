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

#include <memory>
#include <string>

class CCustomControlSite;

class CLoginPageGuard {
public:
    // Guards `site`'s browser; goes before the site does.
    CLoginPageGuard(CCustomControlSite& site, std::string loginUrl);
    ~CLoginPageGuard();
    CLoginPageGuard(const CLoginPageGuard&) = delete;
    CLoginPageGuard& operator=(const CLoginPageGuard&) = delete;

    // How long a top-level page may take until it has committed.
    static constexpr unsigned kLoadTimeoutSeconds = 30;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
