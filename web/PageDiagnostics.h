#pragma once

// The page's trouble on the program's diagnostic output (stderr), one line
// each, so that a publisher can tell why a page misbehaves on a player's
// machine. Addresses lose what may carry a session or a login result.

#include <optional>
#include <string>
#include <string_view>

// An address as the diagnostics show it: scheme, host, port and path;
// never its user, query or fragment. Addresses of no host (data:, blob:)
// show their scheme only.
std::string AddressForLog(std::string_view url);

// `text` on one line of at most `longest` bytes, control characters blanked
// and a cut marked, never cutting a UTF-8 character in two.
std::string TextForLog(std::string_view text, size_t longest = 200);

// Writes "login-launcher: " and `line`.
void ReportPageTrouble(std::string_view line);

// What the page's own script world reports of the page's trouble, and what
// the program refused the page (windows, navigations), one line each, and no
// more than kMostLines for one page: a page that fails in a loop must not
// flood the diagnostics.
class CPageTroubleLog {
public:
    static constexpr unsigned kMostLines = 50;

    // A new page: it may report as many lines again.
    void OnNewPage() { m_nLines = 0; }
    // `kind` is "script" (an error thrown, `text` its message), "promise"
    // (a rejection nobody caught, `text` its reason) or "part" (a part of
    // the page that did not load, `text` its element); `address` and `line`
    // tell where. Other kinds are not reported.
    void Report(std::string_view kind, std::string_view text, std::string_view address, int line);
    // A line of the program's own about the page.
    void Report(std::string_view line);

private:
    // Whether one more line may go out; says so once when no more may.
    bool Admit();
    // The line to write, if any.
    std::optional<std::string> Describe(std::string_view kind, std::string_view text,
                                        std::string_view address, int line);

    unsigned m_nLines = 0;
};
