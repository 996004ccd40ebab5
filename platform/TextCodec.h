#pragma once

// Conversions between wide text (UTF-16, what pages, addresses and window
// texts use) and narrow text (bytes in the charset of the process locale,
// what the JSON reader, the log file and command lines use).
//
// The locale's charset plays the part of the thread's ANSI code page: the
// program takes its locale from the environment at start, and every
// conversion in the hand-off goes through these two functions so that
// narrowing and widening always agree with each other.

#include <string>
#include <string_view>

// Wide to narrow in the current locale's charset. Characters the charset
// cannot represent (and lone surrogates) become "?". Stops at the first zero.
std::string Narrow(std::u16string_view wide);

// Narrow to wide from the current locale's charset. Every byte that does not
// start a valid character becomes U+FFFD. Stops at the first zero byte.
std::u16string Widen(std::string_view narrow);

// Wide to UTF-8, whatever the locale: GTK takes UTF-8 for everything it shows.
// Lone surrogates become U+FFFD.
std::string Utf8FromWide(std::u16string_view wide);

// UTF-8, as the web engine and GTK hand text over, to wide text. Bytes that
// are not UTF-8 become U+FFFD.
std::u16string WideFromUtf8(std::string_view utf8);
