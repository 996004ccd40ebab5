#include "web/PortalOrigins.h"

#include "platform/GLibPtr.h"

namespace {

int DefaultPort(const std::string& scheme) {
    return scheme == "https" ? 443 : 80;
}

}  // namespace

CPortalOrigins::CPortalOrigins(const std::vector<std::string>& origins) {
    for (const std::string& text : origins) {
        COrigin origin;
        if (Parse(text, origin)) {
            m_origins.push_back(origin);
        }
    }
}

// The parts an origin is compared by. Hosts are compared as the address
// names them after decoding, so "%2e" and "." are one; a user name before
// the host ("https://portal@elsewhere/") is no part of it.
bool CPortalOrigins::Parse(std::string_view url, COrigin& origin) {
    const GUriPtr uri(g_uri_parse(std::string(url).c_str(), G_URI_FLAGS_NONE, nullptr));
    if (!uri || g_uri_get_host(uri.get()) == nullptr || *g_uri_get_host(uri.get()) == '\0') {
        return false;
    }
    origin.scheme = g_uri_get_scheme(uri.get());  // lower case already
    if (origin.scheme != "http" && origin.scheme != "https") {
        return false;
    }
    origin.host = GCharPtr(g_ascii_strdown(g_uri_get_host(uri.get()), -1)).get();
    const int port = g_uri_get_port(uri.get());
    origin.port = port > 0 ? port : DefaultPort(origin.scheme);
    return true;
}

bool CPortalOrigins::Holds(std::string_view url) const {
    COrigin origin;
    if (!Parse(url, origin)) {
        return false;
    }
    for (const COrigin& own : m_origins) {
        if (own == origin) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> CPortalOrigins::Serialized() const {
    std::vector<std::string> texts;
    for (const COrigin& origin : m_origins) {
        const bool ipv6 = origin.host.find(':') != std::string::npos;
        std::string text = origin.scheme + "://" + (ipv6 ? "[" + origin.host + "]" : origin.host);
        if (origin.port != DefaultPort(origin.scheme)) {
            text += ":" + std::to_string(origin.port);
        }
        texts.push_back(text);
    }
    return texts;
}
