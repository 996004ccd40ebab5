#pragma once

// The addresses by which the login pages hand a login result back: which
// completed navigations are callbacks, and the launch argument string a
// query callback carries. Pure text work, so the login window only decides
// when to look.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Splits `text` at every occurrence of `delimiter` and keeps the non-empty
// pieces, in order. Characters of the delimiter at the very start of the text
// are skipped one by one, even where the whole delimiter does not stand. An
// empty delimiter is never found, so the text is one piece.
std::vector<std::string> SplitText(std::string_view text, std::string_view delimiter);

// A code callback: the launch argument string is the whole address.
bool IsCodeCallback(std::u16string_view address);

// A query callback: its parameters make up the launch argument string.
bool IsQueryCallback(std::u16string_view address);

// The launch argument string of a query callback address: "user_id",
// "token", "server_id" and "sign" taken verbatim from the query (other is
// "0"), each narrowed and widened again in the locale's charset. nullopt
// when the address has no query at all.
std::optional<std::u16string> QueryCallbackLaunchArgs(std::u16string_view address);
