#pragma once

// The origins whose pages are the portal's own: the portal's and the content
// server's, and any the publisher adds when building. Only their documents
// get window.external, and only their addresses are callbacks; a page of any
// other origin (an identity provider's, or one a partner's pop-up sent the
// login window to) may show, but hands nothing off. Pure text work, so the
// rule can be checked without a browser.

#include <string>
#include <string_view>
#include <vector>

class CPortalOrigins {
public:
    // No origin at all: nothing is the portal's.
    CPortalOrigins() = default;
    // Each "http[s]://host[:port]"; anything else is left out.
    explicit CPortalOrigins(const std::vector<std::string>& origins);

    // Whether `url` (UTF-8) is on one of the origins: the same scheme, host
    // (in any case) and port (the scheme's own when none is written).
    bool Holds(std::string_view url) const;
    // The origins as a document's own origin reads (`self.origin` in its
    // script): "https://host", with a port only when it is not the scheme's.
    std::vector<std::string> Serialized() const;

private:
    struct COrigin {
        std::string scheme;
        std::string host;
        int port = 0;
        bool operator==(const COrigin&) const = default;
    };
    static bool Parse(std::string_view url, COrigin& origin);

    std::vector<COrigin> m_origins;
};
