// The conversions run under the locale the test process was started with;
// CTest runs this file under UTF-8, GB18030 and the C locale.

#include <gtest/gtest.h>
#include <langinfo.h>

#include <string>

#include "platform/TextCodec.h"

namespace {

std::string Charset() {
    return nl_langinfo(CODESET);
}
bool IsUtf8() {
    return Charset() == "UTF-8";
}
bool IsGb18030() {
    return Charset() == "GB18030";
}

}  // namespace

TEST(TextCodec, EmptyAndAsciiPassUnchanged) {
    EXPECT_EQ(Narrow(u""), "");
    EXPECT_EQ(Widen(""), u"");
    EXPECT_EQ(Narrow(u" ,id^u1,auth_key^t&s&o&x"), " ,id^u1,auth_key^t&s&o&x");
    EXPECT_EQ(Widen(" ,id^u1,auth_key^t&s&o&x"), u" ,id^u1,auth_key^t&s&o&x");
}

TEST(TextCodec, ConversionStopsAtTheFirstZero) {
    EXPECT_EQ(Narrow(std::u16string(u"ab\0cd", 5)), "ab");
    EXPECT_EQ(Widen(std::string("ab\0cd", 5)), u"ab");
}

TEST(TextCodec, ChineseTextTakesTheLocaleCharset) {
    const std::u16string text = u"启动游戏";
    if (IsUtf8()) {
        EXPECT_EQ(Narrow(text), "\xE5\x90\xAF\xE5\x8A\xA8\xE6\xB8\xB8\xE6\x88\x8F");
    } else if (IsGb18030()) {
        EXPECT_EQ(Narrow(text), "\xC6\xF4\xB6\xAF\xD3\xCE\xCF\xB7");
    } else {
        EXPECT_EQ(Narrow(text), "????");
    }
    if (IsUtf8() || IsGb18030()) {
        EXPECT_EQ(Widen(Narrow(text)), text);
    }
}

TEST(TextCodec, UnrepresentableCharactersBecomeQuestionMarks) {
    // A lone surrogate is no character in any charset.
    EXPECT_EQ(Narrow(std::u16string(u"a") + char16_t(0xD800) + u"b"), "a?b");
    EXPECT_EQ(Narrow(std::u16string(u"a") + char16_t(0xDC00)), "a?");
    if (!IsUtf8() && !IsGb18030()) {
        EXPECT_EQ(Narrow(u"café"), "caf?");
    }
}

TEST(TextCodec, CharactersBeyondTheBasicPlaneSurviveTheRoundTrip) {
    const std::u16string emoji = u"x\U0001F3AEy";
    if (IsUtf8()) {
        EXPECT_EQ(Narrow(emoji), "x\xF0\x9F\x8E\xAEy");
    }
    if (IsUtf8() || IsGb18030()) {
        EXPECT_EQ(Widen(Narrow(emoji)), emoji);
    }
}

TEST(TextCodec, InvalidBytesWidenToReplacementCharacters) {
    // 0xFF starts no character in UTF-8 or GB18030, nor in ASCII.
    EXPECT_EQ(Widen("a\xFF"
                    "b"),
              u"a\uFFFDb");
    if (IsUtf8()) {
        // A truncated sequence at the end, and a lead byte without its trail.
        EXPECT_EQ(Widen("a\xE5\x90"), u"a\uFFFD\uFFFD");
        EXPECT_EQ(Widen("\xE5z"), u"\uFFFDz");
    }
}

TEST(TextCodec, ValidBytesSurviveWideningAndNarrowing) {
    // The JSON reader turns \u escapes into UTF-8 bytes whatever the locale;
    // those bytes must reach the command line unchanged wherever the locale's
    // charset reads them as characters.
    const std::string utf8Bytes = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文 in UTF-8
    if (IsUtf8() || IsGb18030()) {
        EXPECT_EQ(Narrow(Widen(utf8Bytes)), utf8Bytes);
    }
}

TEST(TextCodec, Utf8FromWideIgnoresTheLocale) {
    EXPECT_EQ(Utf8FromWide(u"【启动失败】"),
              "\xE3\x80\x90\xE5\x90\xAF\xE5\x8A\xA8\xE5\xA4\xB1\xE8\xB4\xA5\xE3\x80\x91");
    EXPECT_EQ(Utf8FromWide(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(TextCodec, WideFromUtf8IgnoresTheLocaleAndKeepsZeros) {
    EXPECT_EQ(WideFromUtf8("a\xE4\xB8\xAD\xF0\x9F\x8E\xAE"), u"a中\U0001F3AE");
    EXPECT_EQ(WideFromUtf8(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
    EXPECT_EQ(WideFromUtf8("a\xFF"
                           "b\xE4\xB8"),
              u"a\uFFFDb\uFFFD\uFFFD");
}
