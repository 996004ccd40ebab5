#pragma once

// The page's trouble on the program's diagnostic output (stderr), one line
// each, so that a publisher can tell why a page misbehaves on a player's
// machine. Addresses lose what may carry a session or a login result.

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
