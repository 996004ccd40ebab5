#include "platform/TextCodec.h"

#include <glib.h>

#include <climits>
#include <cwchar>

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kNoCharacter = 0xFFFFFFFF;

// Reads one code point at `pos` and advances past it; a lone surrogate
// comes back as kNoCharacter.
char32_t NextCodePoint(std::u16string_view wide, size_t& pos) {
    const char16_t unit = wide[pos++];
    if (unit < 0xD800 || unit > 0xDFFF) {
        return unit;
    }
    if (unit <= 0xDBFF && pos < wide.size() && wide[pos] >= 0xDC00 && wide[pos] <= 0xDFFF) {
        const char16_t low = wide[pos++];
        return 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
    }
    return kNoCharacter;
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(char16_t(cp));
    } else {
        cp -= 0x10000;
        out.push_back(char16_t(0xD800 + (cp >> 10)));
        out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    }
}

std::u16string_view UpToZero(std::u16string_view text) {
    return text.substr(0, text.find(u'\0'));
}

std::string_view UpToZero(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

}  // namespace

// glibc's wchar_t holds UCS-4 code points in every locale, so the C library's
// per-character conversions give the locale's charset directly.
static_assert(sizeof(wchar_t) == 4);

std::string Narrow(std::u16string_view wide) {
    wide = UpToZero(wide);
    std::string out;
    out.reserve(wide.size());
    std::mbstate_t state{};
    char buf[MB_LEN_MAX];
    for (size_t pos = 0; pos < wide.size();) {
        const char32_t cp = NextCodePoint(wide, pos);
        const size_t n = cp == kNoCharacter ? size_t(-1) : std::wcrtomb(buf, wchar_t(cp), &state);
        if (n == size_t(-1)) {
            state = {};
            out.push_back('?');
        } else {
            out.append(buf, n);
        }
    }
    // Stateful charsets need their shift sequence back to the initial state.
    const size_t n = std::wcrtomb(buf, L'\0', &state);
    if (n != size_t(-1) && n > 1) {
        out.append(buf, n - 1);
    }
    return out;
}

std::u16string Widen(std::string_view narrow) {
    narrow = UpToZero(narrow);
    std::u16string out;
    out.reserve(narrow.size());
    std::mbstate_t state{};
    for (size_t pos = 0; pos < narrow.size();) {
        wchar_t wc = 0;
        const size_t n = std::mbrtowc(&wc, narrow.data() + pos, narrow.size() - pos, &state);
        if (n == size_t(-1) || n == size_t(-2) || n == 0) {
            // An invalid sequence, or a truncated one at the end of the text.
            state = {};
            out.push_back(char16_t(kReplacement));
            ++pos;
            continue;
        }
        const auto cp = char32_t(wc);
        AppendUtf16(out, cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) ? kReplacement : cp);
        pos += n;
    }
    return out;
}

std::string Utf8FromWide(std::u16string_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (size_t pos = 0; pos < wide.size();) {
        char32_t cp = NextCodePoint(wide, pos);
        if (cp == kNoCharacter) {
            cp = kReplacement;
        }
        if (cp < 0x80) {
            out.push_back(char(cp));
        } else if (cp < 0x800) {
            out.push_back(char(0xC0 | (cp >> 6)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18)));
            out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::u16string WideFromUtf8(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (const char *p = utf8.data(), *end = utf8.data() + utf8.size(); p < end;) {
        if (*p == '\0') {  // a character like any other here; callers cut at it
            out.push_back(u'\0');
            ++p;
            continue;
        }
        const gunichar c = g_utf8_get_char_validated(p, end - p);
        if (c == gunichar(-1) || c == gunichar(-2)) {
            out.push_back(char16_t(kReplacement));
            ++p;
            continue;
        }
        AppendUtf16(out, c);
        p = g_utf8_next_char(p);
    }
    return out;
}
