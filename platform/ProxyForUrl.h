#pragma once

// The proxy a request goes through: the very one the login page's web engine
// takes for the same address. Both ask GIO's proxy resolver, which reads the
// desktop's proxy settings (or, elsewhere, the environment) and runs a PAC
// file where one is set up; the download never reads those settings itself,
// so the page and the download can never disagree on the way out.

#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ProxyRoute {
    // What curl's CURLOPT_PROXY takes: a proxy address, or empty for a
    // direct connection.
    std::string curlProxy;
    // The proxy as the player and the log may see it, host:port without any
    // user name or password; empty for a direct connection.
    std::string name;
};

struct ProxyLookup {
    bool found = false;  // false: no way out is known; see error
    // The ways out in the resolver's order of preference, at least one
    // when found: the web engine takes the next when a proxy fails it.
    std::vector<ProxyRoute> routes;
    std::string error;
};

// One answer of GIO's resolver as curl takes it: direct://, http://,
// https://, socks4://, socks4a:// and socks5:// (GIO's SOCKS5 leaves host
// names to the proxy, as curl's socks5h:// does); nullopt for any other.
std::optional<ProxyRoute> CurlProxyFromGio(std::string_view answer);

// GIO's answers that curl can use, in the resolver's order of preference.
std::vector<ProxyRoute> UsableProxies(const std::vector<std::string>& answers);

// Asks GIO's default resolver how to reach `url`. Blocks until it answers (a
// PAC file may have to be fetched and run first) or soon after `cancel` is
// set; meant for a worker thread.
ProxyLookup ProxyForUrl(const std::string& url, const std::atomic<bool>& cancel);
