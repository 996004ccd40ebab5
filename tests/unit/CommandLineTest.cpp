#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ProcessStart.h"
#include "tests/support/CaseName.h"

namespace {

struct SplitCase {
    const char* name;
    std::string line;
    std::vector<std::string> args;
};

const SplitCase kSplitCases[] = {
    {"launch args after a quoted path",
     R"("/g/vuntek_qx_launch.exe" ,id^u1,auth_key^t&s&o&x)",
     {"/g/vuntek_qx_launch.exe", ",id^u1,auth_key^t&s&o&x"}},
    {"address right after the closing quote",
     R"("/g/l.exe"http://p/plumoqx/codeCallback.htm?code=1)",
     {"/g/l.exe", "http://p/plumoqx/codeCallback.htm?code=1"}},
    {"blanks inside the quoted path", R"("/my games/l.exe" a)", {"/my games/l.exe", "a"}},
    {"no escapes in the program path", R"("C:\dir\" x)", {R"(C:\dir\)", "x"}},
    {"unquoted program path", "/g/l.exe  a\tb ", {"/g/l.exe", "a", "b"}},
    {"program path only", R"("/g/l.exe")", {"/g/l.exe"}},
    {"unterminated program quote", R"("/g/l.exe a b)", {"/g/l.exe a b"}},
    {"quotes group", R"(p "a b" c)", {"p", "a b", "c"}},
    {"empty quoted argument", R"(p "" x)", {"p", "", "x"}},
    {"escaped quote", R"(p a\"b)", {"p", R"(a"b)"}},
    {"even backslashes before a quote", R"(p a\\"b c")", {"p", R"(a\b c)"}},
    {"odd backslashes before a quote", R"(p a\\\"b)", {"p", R"(a\"b)"}},
    {"backslashes not before a quote stay", R"(p a\\b\c)", {"p", R"(a\\b\c)"}},
    {"tripled quotes", R"(p """a""")", {"p", R"("a")"}},
    {"doubled quote inside quotes", R"(p "a""b c")", {"p", R"(a"b)", "c"}},
    {"shell characters pass untouched",
     R"(p $(rm -rf x);`id`|&^<>*)",
     {"p", "$(rm", "-rf", "x);`id`|&^<>*"}},
    {"empty line", "", {""}},
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

class SplitCommandLineTest : public testing::TestWithParam<SplitCase> {};

}  // namespace

TEST_P(SplitCommandLineTest, SplitsByTheWindowsRules) {
    EXPECT_EQ(SplitCommandLine(GetParam().line), GetParam().args);
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitCommandLineTest, testing::ValuesIn(kSplitCases),
                         CaseName<SplitCase>);
