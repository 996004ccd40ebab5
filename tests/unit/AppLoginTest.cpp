// The script route: payload text in, log lines and launch argument string out.

#include <gtest/gtest.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "handoff/AppLogin.h"
#include "handoff/LoginLog.h"
#include "platform/MessageLoop.h"
#include "platform/TextCodec.h"
#include "tests/support/CaseName.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// Runs one AppLogin call in a scratch directory and records what the
// hand-off saw.
class AppLoginTest : public testing::Test {
protected:
    void SetUp() override { Fake().Reset(); }

    void Call(const std::u16string& json) {
        CHandoffSequence handoff;
        handoff.storeLaunchArgs = [this](const std::u16string& text) {
            m_steps.push_back("store");
            m_launchArgs = Narrow(text);
        };
        handoff.fetchAndStartLauncher = [this] {
            m_steps.push_back("fetch");
            m_started.push_back(m_launchArgs);
        };
        handoff.disconnectLinkEvents = [this] { m_steps.push_back("disconnect"); };
        HandleAppLogin(json, handoff);
    }

    std::string Log() const { return ReadFile(m_dir.Path() / "log.txt"); }

    CTempDir m_dir;
    CScopedChdir m_cwd{m_dir.Path()};
    std::vector<std::string> m_steps;
    // The launch argument string as the hand-off stored it, narrow.
    std::string m_launchArgs;
    std::vector<std::string> m_started;  // m_launchArgs at each fetch
};

constexpr char16_t kPlain[] = uR"({"uid":"u1","token":"t","server_id":"s","other":"o","sign":"x"})";

struct PayloadCase {
    const char* name;
    std::u16string json;
    std::string launchArgs;  // empty: no hand-off
    std::string secondLogLine;
};

const PayloadCase kHandedOff[] = {
    {"plain", kPlain, " ,id^u1,auth_key^t&s&o&x", "t&s&o&x"},
    {"comments between tokens",
     u"// login result\n{ /* who */ \"uid\" : \"u1\", // id\n\"token\":\"t\",\"server_id\":\"s\","
     u"\"other\":\"o\",\"sign\":\"x\" /* end */ }",
     " ,id^u1,auth_key^t&s&o&x", "t&s&o&x"},
    {"extra and reordered members",
     uR"({"sign":"x","extra":[1,{"a":null}],"other":"o","server_id":"s","token":"t","uid":"u1","n":3})",
     " ,id^u1,auth_key^t&s&o&x", "t&s&o&x"},
    {"repeated member counts last",
     uR"({"uid":"old","uid":"u1","token":"t","server_id":"s","other":"o","sign":"x"})",
     " ,id^u1,auth_key^t&s&o&x", "t&s&o&x"},
    {"separators inside values go in verbatim",
     uR"({"uid":"a b,c","token":"t^1","server_id":"s","other":"o","sign":"a&b"})",
     " ,id^a b,c,auth_key^t^1&s&o&a&b", "t^1&s&o&a&b"},
    {"all values empty", uR"({"uid":"","token":"","server_id":"","other":"","sign":""})",
     " ,id^,auth_key^&&&", "&&&"},
    {"escaped zero cuts the value",
     uR"({"uid":"u1\u0000tail","token":"t","server_id":"s","other":"o","sign":"x"})",
     " ,id^u1,auth_key^t&s&o&x", "t&s&o&x"},
    {"text after the root is ignored", std::u16string(kPlain) + u" trailing {junk",
     " ,id^u1,auth_key^t&s&o&x", "t&s&o&x"},
    {"pretty printed",
     u"{\n  \"uid\": \"u1\",\n  \"token\": \"t\",\n  \"server_id\": \"s\",\n  \"other\": \"o\",\n"
     u"  \"sign\": \"x\"\n}",
     " ,id^u1,auth_key^t&s&o&x", "t&s&o&x"},
    {"shell metacharacters",
     uR"j({"uid":"$(id)","token":"`id`;x","server_id":"|&>","other":"\"q\"","sign":"*?~"})j",
     " ,id^$(id),auth_key^`id`;x&|&>&\"q\"&*?~", "`id`;x&|&>&\"q\"&*?~"},
};

const PayloadCase kRefused[] = {
    {"empty text", u"", "", ""},
    {"not JSON", u"uid=u1&token=t", "", ""},
    {"unterminated object", u"{\"uid\":\"u1\"", "", ""},
    {"nesting deeper than the reader goes", std::u16string(5000, u'['), "", ""},
    {"array root", u"[\"u1\",\"t\"]", "", ""},
    {"string root", u"\"u1\"", "", ""},
    {"number root", u"42", "", ""},
    {"missing member", uR"({"uid":"u1","token":"t","server_id":"s","other":"o"})", "", ""},
    {"number member", uR"({"uid":1,"token":"t","server_id":"s","other":"o","sign":"x"})", "", ""},
    {"null member", uR"({"uid":"u1","token":null,"server_id":"s","other":"o","sign":"x"})", "", ""},
    {"object member", uR"({"uid":"u1","token":"t","server_id":{},"other":"o","sign":"x"})", "", ""},
};

void PrintTo(const PayloadCase& c, std::ostream* os) {
    *os << c.name;
}

class HandedOffPayload : public AppLoginTest, public testing::WithParamInterface<PayloadCase> {};
class RefusedPayload : public AppLoginTest, public testing::WithParamInterface<PayloadCase> {};

std::string NarrowAscii(const std::u16string& text) {
    return std::string(text.begin(), text.end());
}

}  // namespace

TEST_P(HandedOffPayload, BuildsTheLaunchArgumentsAndLogsTwoEntries) {
    const PayloadCase& c = GetParam();
    Call(c.json);
    EXPECT_EQ(m_launchArgs, c.launchArgs);
    EXPECT_EQ(m_steps, (std::vector<std::string>{"store", "fetch", "disconnect"}));
    ASSERT_EQ(m_started.size(), 1u);
    EXPECT_EQ(m_started[0], c.launchArgs) << "the string is stored before the fetch";
    EXPECT_EQ(Log(), NarrowAscii(c.json) + "\n" + c.secondLogLine + "\n");
}
INSTANTIATE_TEST_SUITE_P(Cases, HandedOffPayload, testing::ValuesIn(kHandedOff),
                         CaseName<PayloadCase>);

TEST_P(RefusedPayload, IsLoggedAndOtherwiseIgnored) {
    m_launchArgs = "earlier";
    Call(GetParam().json);
    EXPECT_EQ(m_launchArgs, "earlier");
    EXPECT_TRUE(m_steps.empty());
    EXPECT_EQ(Log(), NarrowAscii(GetParam().json) + "\n");
    EXPECT_TRUE(Fake().messages.empty());
}
INSTANTIATE_TEST_SUITE_P(Cases, RefusedPayload, testing::ValuesIn(kRefused), CaseName<PayloadCase>);

TEST_F(AppLoginTest, UnicodeEscapesArriveAsUtf8Bytes) {
    const std::string charset = nl_langinfo(CODESET);
    if (charset != "UTF-8" && charset != "GB18030") {
        GTEST_SKIP() << "UTF-8 bytes are not characters in " << charset;
    }
    // 中文: its UTF-8 bytes happen to be valid GB18030 too, so they survive
    // the widening and narrowing on the way in both charsets.
    Call(uR"({"uid":"\u4e2d\u6587","token":"t","server_id":"s","other":"o","sign":"x"})");
    EXPECT_EQ(m_launchArgs, " ,id^\xE4\xB8\xAD\xE6\x96\x87,auth_key^t&s&o&x");
}

TEST_F(AppLoginTest, LogIsAppendedAcrossCallsAndTheHolderKeepsTheLast) {
    WriteFile(m_dir.Path() / "log.txt", "older run\n");
    Call(kPlain);
    Call(uR"({"uid":"u2","token":"t2","server_id":"s","other":"o","sign":"x"})");
    EXPECT_EQ(m_launchArgs, " ,id^u2,auth_key^t2&s&o&x");
    EXPECT_EQ(Log(), "older run\n" + NarrowAscii(kPlain) + "\nt&s&o&x\n" +
                         R"({"uid":"u2","token":"t2","server_id":"s","other":"o","sign":"x"})" +
                         "\nt2&s&o&x\n");
}

TEST_F(AppLoginTest, NewLogIsReadableByItsOwnerOnly) {
    Call(kPlain);
    struct stat st {};
    ASSERT_EQ(stat("log.txt", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(AppLoginTest, ExistingLogIsMadeReadableByItsOwnerOnly) {
    WriteFile(m_dir.Path() / "log.txt", "older run\n");
    chmod("log.txt", 0644);
    Call(kPlain);
    struct stat st {};
    ASSERT_EQ(stat("log.txt", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(Log(), "older run\n" + NarrowAscii(kPlain) + "\nt&s&o&x\n");
}

// What may stand at log.txt in a directory others can write to. None of it
// is written to, and the hand-off goes on as if there were no log.
struct PlantedLog {
    const char* name;
    void (*plant)(const fs::path& dir);
};

const PlantedLog kPlantedLogs[] = {
    {"directory", [](const fs::path& dir) { fs::create_directory(dir / "log.txt"); }},
    {"link to a file",
     [](const fs::path& dir) {
         WriteFile(dir / "victim", "untouched");
         fs::create_symlink(dir / "victim", dir / "log.txt");
     }},
    {"dangling link",
     [](const fs::path& dir) { fs::create_symlink(dir / "victim", dir / "log.txt"); }},
    {"hard link to a file",
     [](const fs::path& dir) {
         WriteFile(dir / "victim", "untouched");
         fs::create_hard_link(dir / "victim", dir / "log.txt");
     }},
    {"another user's file",
     [](const fs::path& dir) {
         WriteFile(dir / "log.txt", "untouched");
         if (chown((dir / "log.txt").c_str(), geteuid() + 1, getegid()) != 0) {
             GTEST_SKIP() << "cannot give a file away here";
         }
     }},
};

void PrintTo(const PlantedLog& c, std::ostream* os) {
    *os << c.name;
}

class PlantedLogTest : public AppLoginTest, public testing::WithParamInterface<PlantedLog> {};

TEST_P(PlantedLogTest, IsNeverWrittenAndTheHandoffGoesOn) {
    GetParam().plant(m_dir.Path());
    if (IsSkipped()) {
        return;
    }
    Call(kPlain);
    EXPECT_EQ(m_launchArgs, " ,id^u1,auth_key^t&s&o&x");
    EXPECT_EQ(m_steps, (std::vector<std::string>{"store", "fetch", "disconnect"}));
    if (fs::is_regular_file(m_dir.Path() / "victim")) {
        EXPECT_EQ(ReadFile(m_dir.Path() / "victim"), "untouched");
    } else {
        EXPECT_FALSE(fs::exists(m_dir.Path() / "victim"));
    }
    if (fs::is_regular_file(fs::symlink_status(m_dir.Path() / "log.txt"))) {
        EXPECT_EQ(ReadFile(m_dir.Path() / "log.txt"), "untouched");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PlantedLogTest, testing::ValuesIn(kPlantedLogs),
                         CaseName<PlantedLog>);

TEST_F(AppLoginTest, PipeAtTheLogNeverBlocksTheCall) {
    ASSERT_EQ(mkfifo("log.txt", 0600), 0);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            alarm(10);
            Call(kPlain);
            std::_Exit(m_steps.size() == 3 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(AppLoginTest, HugeEntryIsCutAndMarkedAndTheLoginStillGoesThrough) {
    const std::u16string padding(3 * CLoginLog::kMaxEntryBytes, u' ');
    Call(padding + kPlain);
    EXPECT_EQ(m_launchArgs, " ,id^u1,auth_key^t&s&o&x");
    const std::string log = Log();
    const std::string first = log.substr(0, log.find('\n'));
    EXPECT_EQ(first,
              std::string(CLoginLog::kMaxEntryBytes, ' ') + " [cut: " +
                  std::to_string(2 * CLoginLog::kMaxEntryBytes + NarrowAscii(kPlain).size()) +
                  " more bytes]");
    EXPECT_EQ(log.substr(first.size()), "\nt&s&o&x\n");
}

TEST_F(AppLoginTest, ARunWritesAtMostItsBudgetToTheLog) {
    // The budget is the whole run's: try it in a process of its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const std::u16string junk(CLoginLog::kMaxEntryBytes, u'x');
            for (size_t i = 0; i < 2 * CLoginLog::kMaxRunBytes / CLoginLog::kMaxEntryBytes; ++i) {
                Call(junk);
            }
            const size_t size = fs::file_size("log.txt");
            std::_Exit(size >= CLoginLog::kMaxRunBytes - CLoginLog::kMaxEntryBytes &&
                               size <= CLoginLog::kMaxRunBytes + CLoginLog::kMaxEntryBytes
                           ? 0
                           : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(AppLoginTest, HandoffAfterAQuitRequestIsIgnored) {
    PostQuitMessage(16);
    Call(kPlain);
    EXPECT_TRUE(m_steps.empty());
    EXPECT_EQ(m_launchArgs, "");
}
