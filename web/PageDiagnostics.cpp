#include "web/PageDiagnostics.h"

#include <cstdio>

namespace {

constexpr size_t kLongestAddress = 300;

}  // namespace

std::string AddressForLog(std::string_view url) {
    const size_t colon = url.find(':');
    if (colon == std::string_view::npos || url.find_first_of("/?#") < colon) {
        return "(no address)";
    }
    if (url == "about:blank") {
        return std::string(url);
    }
    if (url.substr(colon, 3) != "://") {
        return TextForLog(url.substr(0, colon + 1), kLongestAddress);
    }
    const std::string_view scheme = url.substr(0, colon + 3);
    std::string_view rest = url.substr(colon + 3);
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::string_view authority = rest.substr(0, rest.find('/'));
    const std::string_view path = rest.substr(authority.size());
    if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    return TextForLog(std::string(scheme) + std::string(authority) + std::string(path),
                      kLongestAddress);
}

std::string TextForLog(std::string_view text, size_t longest) {
    std::string line;
    for (const char c : text) {
        line += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
    }
    if (line.size() <= longest) {
        return line;
    }
    size_t cut = longest;
    // Back to the start of a UTF-8 character.
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return line.substr(0, cut) + "…";
}

void ReportPageTrouble(std::string_view line) {
    std::fprintf(stderr, "login-launcher: %.*s\n", int(line.size()), line.data());
}

bool CPageTroubleLog::Admit() {
    if (m_nLines > kMostLines) {
        return false;
    }
    if (++m_nLines > kMostLines) {
        ReportPageTrouble("the page reports more trouble; no more of it is shown");
        return false;
    }
    return true;
}

std::optional<std::string> CPageTroubleLog::Describe(std::string_view kind, std::string_view text,
                                                     std::string_view address, int line) {
    if ((kind != "script" && kind != "promise" && kind != "part") || !Admit()) {
        return std::nullopt;
    }
    const std::string where =
        AddressForLog(address) + (line > 0 ? ":" + std::to_string(line) : std::string());
    if (kind == "script") {
        return "the page's script failed at " + where + ": " + TextForLog(text);
    }
    if (kind == "promise") {
        return "the page's script left a failure unhandled at " + where + ": " + TextForLog(text);
    }
    return "a part of the page (" + TextForLog(text, 20) + ") did not load: " + where;
}

void CPageTroubleLog::Report(std::string_view kind, std::string_view text, std::string_view address,
                             int line) {
    if (const std::optional<std::string> described = Describe(kind, text, address, line)) {
        ReportPageTrouble(*described);
    }
}

void CPageTroubleLog::Report(std::string_view line) {
    if (Admit()) {
        ReportPageTrouble(line);
    }
}
