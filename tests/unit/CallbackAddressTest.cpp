// Callback addresses: recognising them and reading the launch argument string
// out of a query callback. CTest runs this file under UTF-8, GB18030 and the
// C locale; only the last test depends on which.

#include <gtest/gtest.h>
#include <langinfo.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/CaseName.h"
#include "web/CallbackAddress.h"

namespace {

struct SplitCase {
    const char* name;
    std::string text;
    std::string delimiter;
    std::vector<std::string> pieces;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

const SplitCase kSplits[] = {
    {"empty text", "", "?", {}},
    {"only delimiters", "???", "?", {}},
    {"no delimiter", "abc", "?", {"abc"}},
    {"one in the middle", "a?b", "?", {"a", "b"}},
    {"leading", "?a", "?", {"a"}},
    {"trailing", "a?", "?", {"a"}},
    {"runs everywhere", "??a?b???c??", "?", {"a", "b", "c"}},
    {"other characters are kept", "a=b&c", "&", {"a=b", "c"}},
    {"blanks are kept", " a & b ", "&", {" a ", " b "}},
    {"long delimiter", "a::b::c", "::", {"a", "b", "c"}},
    {"long delimiter run", "a::::b", "::", {"a", "b"}},
    {"odd run of a long delimiter", "a:::b", "::", {"a", ":b"}},
    {"odd trailing run of a long delimiter", "x:::", "::", {"x", ":"}},
    {"part of a long delimiter", "a:b", "::", {"a:b"}},
    {"lone leading character of a long delimiter", ":a::b", "::", {"a", "b"}},
    {"leading characters of a long delimiter in any order", "-+-a+-b", "+-", {"a", "b"}},
    {"only characters of a long delimiter", ":::", "::", {}},
    {"empty delimiter", "ab", "", {"ab"}},
    {"empty text and delimiter", "", "", {}},
};

class Split : public testing::TestWithParam<SplitCase> {};

struct MarkerCase {
    const char* name;
    std::u16string address;
    bool code;
    bool query;
};

void PrintTo(const MarkerCase& c, std::ostream* os) {
    *os << c.name;
}

const MarkerCase kMarkers[] = {
    {"code callback", u"http://login.example.com/plumoqx/codeCallback.htm?code=abc", true, false},
    {"code callback with more parameters",
     u"https://login.example.com/plumoqx/codeCallback.htm?code=abc&state=1", true, false},
    {"empty code", u"http://login.example.com/plumoqx/codeCallback.htm?code=", true, false},
    {"code page in another case", u"http://login.example.com/plumoqx/CodeCallback.htm?code=abc",
     false, false},
    {"code folder in another case", u"http://login.example.com/Plumoqx/codeCallback.htm?code=abc",
     false, false},
    {"code not the first parameter",
     u"http://login.example.com/plumoqx/codeCallback.htm?state=1&code=abc", false, false},
    {"code from another folder", u"http://login.example.com/qx/codeCallback.htm?code=abc", false,
     false},
    {"needCode after the code",
     u"http://login.example.com/plumoqx/codeCallback.htm?code=abc&needCode=1", false, false},
    {"needCode before the marker",
     u"http://portal.example.com/jump?needCode=1&to=http://login.example.com/plumoqx/"
     u"codeCallback.htm?code=abc",
     false, false},
    {"needCode in the fragment",
     u"http://login.example.com/plumoqx/codeCallback.htm?code=abc#needCode=", false, false},
    {"needcode in another case",
     u"http://login.example.com/plumoqx/codeCallback.htm?code=abc&needcode=1", true, false},
    {"needCode without its equals sign",
     u"http://login.example.com/plumoqx/codeCallback.htm?code=abc&needCode", true, false},
    {"code marker inside another parameter",
     u"http://portal.example.com/jump?to=http://login.example.com/plumoqx/codeCallback.htm?code=1",
     true, false},
    {"query callback", u"http://login.example.com/baidu/codeCallback.htm?user_id=u1", false, true},
    {"query marker alone", u"baidu/codeCallback.htm?", false, true},
    {"query page without its question mark", u"http://login.example.com/baidu/codeCallback.htm",
     false, false},
    {"query folder in another case", u"http://login.example.com/Baidu/codeCallback.htm?user_id=1",
     false, false},
    {"query callback with needCode",
     u"http://login.example.com/baidu/codeCallback.htm?needCode=1&user_id=u1", false, true},
    {"query marker inside another parameter",
     u"http://portal.example.com/jump?to=http://login.example.com/baidu/codeCallback.htm?user_id=1",
     false, true},
    {"both markers",
     u"http://login.example.com/plumoqx/codeCallback.htm?code=1&to=/baidu/codeCallback.htm?x=1",
     true, true},
    {"both markers and needCode",
     u"http://login.example.com/plumoqx/codeCallback.htm?code=1&needCode=1&to=/baidu/"
     u"codeCallback.htm?x=1",
     false, true},
    {"login page", u"http://login.example.com/url/weiduan.php?gn=halvoryne", false, false},
    {"blank page", u"about:blank", false, false},
    {"empty address", u"", false, false},
};

class Marker : public testing::TestWithParam<MarkerCase> {};

const std::u16string kQuery = u"http://login.example.com/baidu/codeCallback.htm?";
const std::u16string kZero(1, u'\0');

struct QueryCase {
    const char* name;
    std::u16string address;
    std::u16string launchArgs;
};

void PrintTo(const QueryCase& c, std::ostream* os) {
    *os << c.name;
}

const QueryCase kQueries[] = {
    {"all four", kQuery + u"user_id=u1&token=tk&server_id=s9&sign=sg",
     u" ,id^u1,auth_key^tk&s9&0&sg"},
    {"no parameters", kQuery + u"&&&", u" ,id^,auth_key^&&0&"},
    {"no usable parameter", kQuery + u"user_id&token=&=x&sign=a=b", u" ,id^,auth_key^&&0&"},
    {"other names are ignored",
     kQuery + u"other=9&uid=x&User_id=y&user_id =z&user_idx=w&user_id=u1&server=1&token=tk&"
              u"server_id=s9&sign=sg&extra=1",
     u" ,id^u1,auth_key^tk&s9&0&sg"},
    {"repeated name takes the last value",
     kQuery + u"user_id=u0&token=t0&server_id=s0&sign=g0&user_id=u1&token=tk&server_id=s9&sign=sg",
     u" ,id^u1,auth_key^tk&s9&0&sg"},
    {"empty values do not clear",
     kQuery + u"user_id=u1&token=tk&server_id=s9&sign=sg&user_id=&token=&server_id=&sign=",
     u" ,id^u1,auth_key^tk&s9&0&sg"},
    {"values holding equals signs do not clear",
     kQuery + u"user_id=u1&token=tk&server_id=s9&sign=sg&user_id=a=b&token=c=d&server_id=e=f&"
              u"sign=g=h",
     u" ,id^u1,auth_key^tk&s9&0&sg"},
    {"doubled equals sign after the name", kQuery + u"user_id==u1&server_id===s9",
     u" ,id^u1,auth_key^&s9&0&"},
    {"equals sign after the value", kQuery + u"user_id=u1=&sign=sg==", u" ,id^u1,auth_key^&&0&sg"},
    {"values are taken verbatim", kQuery + u"user_id= u1 &sign=A+b", u" ,id^ u1 ,auth_key^&&0&A+b"},
    {"token with one trailing equals sign", kQuery + u"token=abc=&user_id=u1",
     u" ,id^u1,auth_key^abc=&&0&"},
    {"token with two trailing equals signs", kQuery + u"token=abc==&user_id=u1",
     u" ,id^u1,auth_key^abc=&&0&"},
    {"token after a doubled equals sign", kQuery + u"token==abc&user_id=u1",
     u" ,id^u1,auth_key^abc&&0&"},
    {"token text and equals sign as another name", kQuery + u"abc=1&token=abc",
     u" ,id^,auth_key^abc=&&0&"},
    {"token text and equals sign inside another name", kQuery + u"token=abc&xabc=1",
     u" ,id^,auth_key^abc=&&0&"},
    {"token text and equals sign before the query",
     u"http://login.example.com/k=v/baidu/codeCallback.htm?token=k", u" ,id^,auth_key^k=&&0&"},
    {"token text followed by something else", kQuery + u"token=abc&abcd=1",
     u" ,id^,auth_key^abc&&0&"},
    {"token holding an equals sign", kQuery + u"token=tk&token=a=b", u" ,id^,auth_key^tk&&0&"},
    {"fragment stays in the last value", kQuery + u"user_id=u1&sign=sg#top",
     u" ,id^u1,auth_key^&&0&sg#top"},
    {"second question mark ends the query", kQuery + u"user_id=u1?sign=sg&token=tk",
     u" ,id^u1,auth_key^&&0&"},
    {"run of question marks", kQuery + u"??user_id=u1", u" ,id^u1,auth_key^&&0&"},
    {"query after the first question mark of the address",
     u"http://portal.example.com/jump?to=http://login.example.com/baidu/codeCallback.htm?"
     u"user_id=u1",
     u" ,id^,auth_key^&&0&"},
    {"percent escapes stay encoded",
     kQuery + u"user_id=%E4%B8%AD&token=a%3D&server_id=s%209&sign=%26%3D",
     u" ,id^%E4%B8%AD,auth_key^a%3D&s%209&0&%26%3D"},
    {"nothing after a zero is read", kQuery + u"user_id=u1" + kZero + u"&sign=sg",
     u" ,id^u1,auth_key^&&0&"},
};

class QueryCallback : public testing::TestWithParam<QueryCase> {};

std::u16string Join(const std::vector<std::u16string>& parameters) {
    std::u16string query;
    for (const std::u16string& p : parameters) {
        query += (query.empty() ? u"" : u"&") + p;
    }
    return query;
}

}  // namespace

TEST_P(Split, KeepsTheNonEmptyPiecesInOrder) {
    const SplitCase& c = GetParam();
    EXPECT_EQ(SplitText(c.text, c.delimiter), c.pieces);
}
INSTANTIATE_TEST_SUITE_P(Cases, Split, testing::ValuesIn(kSplits), CaseName<SplitCase>);

TEST_P(Marker, IsFoundCaseSensitivelyAnywhere) {
    const MarkerCase& c = GetParam();
    EXPECT_EQ(IsCodeCallback(c.address), c.code);
    EXPECT_EQ(IsQueryCallback(c.address), c.query);
}
INSTANTIATE_TEST_SUITE_P(Cases, Marker, testing::ValuesIn(kMarkers), CaseName<MarkerCase>);

TEST_P(QueryCallback, ComposesTheLaunchArguments) {
    const QueryCase& c = GetParam();
    EXPECT_EQ(QueryCallbackLaunchArgs(c.address), c.launchArgs);
}
INSTANTIATE_TEST_SUITE_P(Cases, QueryCallback, testing::ValuesIn(kQueries), CaseName<QueryCase>);

TEST(QueryCallbackOrder, DistinctParametersGiveTheSameStringInEveryOrder) {
    std::vector<std::u16string> parameters = {u"server_id=s9", u"sign=sg", u"token=tk=",
                                              u"user_id=u1"};
    int orders = 0;
    do {
        EXPECT_EQ(QueryCallbackLaunchArgs(kQuery + Join(parameters)),
                  u" ,id^u1,auth_key^tk=&s9&0&sg")
            << testing::PrintToString(Join(parameters));
        ++orders;
    } while (std::next_permutation(parameters.begin(), parameters.end()));
    EXPECT_EQ(orders, 24);
}

TEST(QueryCallbackWithoutQuery, IsNotHandedOff) {
    for (const std::u16string& address : {
             kQuery,
             kQuery + u"???",
             std::u16string(u"baidu/codeCallback.htm?"),
             std::u16string(u"?baidu/codeCallback.htm?"),
             kQuery + kZero + u"user_id=u1",
         }) {
        EXPECT_EQ(QueryCallbackLaunchArgs(address), std::nullopt)
            << testing::PrintToString(address);
    }
}

TEST(QueryCallbackCharset, UnrepresentableCharacterSplitsLikeAQuestionMark) {
    const std::string charset = nl_langinfo(CODESET);
    const std::u16string address = kQuery + u"user_id=u\u4E2D1&token=tk&sign=sg";
    if (charset == "UTF-8" || charset == "GB18030") {
        // 中 is a character of both, so it goes there and back unchanged.
        EXPECT_EQ(QueryCallbackLaunchArgs(address), u" ,id^u\u4E2D1,auth_key^tk&&0&sg");
    } else if (charset == "ANSI_X3.4-1968") {
        // ASCII narrows it to "?", which ends the query right there.
        EXPECT_EQ(QueryCallbackLaunchArgs(address), u" ,id^u,auth_key^&&0&");
    } else {
        GTEST_SKIP() << "no expectation for " << charset;
    }
}
