// The conversions between wide and narrow text, under the locale the
// environment names (tools/fuzz.sh runs this target under UTF-8 and under
// GB18030). The input is read twice: as narrow bytes, and as UTF-16 text in
// pairs of bytes (lone surrogates included, as pages may hold them).

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <string>
#include <string_view>

#include "platform/TextCodec.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsHigh(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

bool IsWellFormed(std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) {
            ++i;
        } else if (IsHigh(text[i]) || IsLow(text[i])) {
            return false;
        }
    }
    return true;
}

// `text` with every lone surrogate replaced by `by`.
std::u16string ReplaceLoneSurrogates(std::u16string_view text, char16_t by) {
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) {
            out += text.substr(i, 2);
            ++i;
        } else {
            out.push_back(IsHigh(text[i]) || IsLow(text[i]) ? by : text[i]);
        }
    }
    return out;
}

template <typename Text>
Text UpToZero(Text text) {
    return text.substr(0, text.find(typename Text::value_type(0)));
}

void FuzzNarrowBytes(std::string_view bytes) {
    const std::u16string wide = Widen(bytes);
    FUZZ_EXPECT(IsWellFormed(wide), "widening gives well-formed UTF-16");
    FUZZ_EXPECT(wide.find(u'\0') == std::u16string::npos, "widening stops at the first zero");
    // Bytes the charset reads as characters narrow back to themselves. (A
    // U+FFFD may also stand for bytes that were not a character.)
    if (wide.find(kReplacement) == std::u16string::npos) {
        FUZZ_EXPECT(Narrow(wide) == UpToZero(bytes), "valid bytes survive widening and narrowing");
    }

    const std::u16string fromUtf8 = WideFromUtf8(bytes);
    FUZZ_EXPECT(IsWellFormed(fromUtf8), "UTF-8 gives well-formed UTF-16");
    if (fromUtf8.find(kReplacement) == std::u16string::npos) {
        FUZZ_EXPECT(Utf8FromWide(fromUtf8) == bytes,
                    "valid UTF-8 survives the round trip, zeros too");
    }
}

// Whether the locale's charset has a character, by the C library's word.
// UTF-8 has them all; GB18030 as the C library reads it lacks a few private
// use characters that its 2005 edition gave standard code points instead.
bool CharsetHas(char32_t cp) {
    char buf[MB_LEN_MAX];
    std::mbstate_t state{};
    return std::wcrtomb(buf, wchar_t(cp), &state) != size_t(-1);
}

void FuzzWideText(std::u16string_view text) {
    // Every character the charset has comes back; the others, and lone
    // surrogates, come back as "?".
    std::u16string expected;
    const std::u16string_view cut = UpToZero(text);
    for (size_t i = 0; i < cut.size(); ++i) {
        if (IsHigh(cut[i]) && i + 1 < cut.size() && IsLow(cut[i + 1])) {
            const char32_t cp =
                0x10000 + ((char32_t(cut[i]) - 0xD800) << 10) + (cut[i + 1] - 0xDC00);
            expected += CharsetHas(cp) ? cut.substr(i, 2) : u"?";
            ++i;
        } else if (IsHigh(cut[i]) || IsLow(cut[i])) {
            expected += u'?';
        } else {
            expected += CharsetHas(cut[i]) ? cut[i] : u'?';
        }
    }
    const std::u16string back = Widen(Narrow(text));
    FUZZ_EXPECT(back == expected, "narrowing then widening gives back every character it can");
    if (FuzzCharset() == "UTF-8") {
        FUZZ_EXPECT(back == ReplaceLoneSurrogates(cut, u'?'), "UTF-8 has every character");
    }

    const std::u16string viaUtf8 = WideFromUtf8(Utf8FromWide(text));
    FUZZ_EXPECT(viaUtf8 == ReplaceLoneSurrogates(text, kReplacement),
                "text survives UTF-8, lone surrogates as U+FFFD, zeros kept");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    FuzzNarrowBytes(bytes);

    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        text.push_back(char16_t(data[i] | data[i + 1] << 8));
    }
    FuzzWideText(text);
    return 0;
}
