// Starting Windows game launchers under real Wine: the Windows probes
// (32- and 64-bit) record the command line they were given, its narrow form,
// the code page, their folder and DPI; the program's own prefix is made in
// the test's player home. Tests run in the order written: the first makes
// the prefix that the others use.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include "handoff/LauncherFetch.h"
#include "handoff/WinePrefix.h"
#include "handoff/WineStart.h"
#include "platform/ProcessStart.h"
#include "platform/Sha256.h"
#include "platform/TextCodec.h"
#include "tests/support/CaseName.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/SigningKey.h"
#include "tests/support/TestSupport.h"
#include "tests/wine/WineTestSupport.h"

namespace fs = std::filesystem;

namespace {

constexpr char16_t kPreparing[] = u"正在准备游戏运行环境…";
constexpr char16_t kStarting[] = u"正在启动游戏…";

class WineStartTest : public testing::Test {
protected:
    void SetUp() override {
        Fake().Reset();
        setenv("PROBE_RECORD", m_record.c_str(), 1);
        unsetenv("PROBE_LINGER_MS");
    }

    fs::path LauncherPath() const { return m_launcherDir / kLauncherFileName; }

    // The probe of `kind` as the game launcher, in a folder whose name has a
    // blank and Chinese in it.
    void PutLauncher(EProgramKind kind) {
        fs::create_directories(m_launcherDir);
        fs::copy_file(ProbePath(kind), LauncherPath(), fs::copy_options::overwrite_existing);
    }

    WineStartResult Start(const std::u16string& text, EProgramKind kind,
                          const WineSettings& settings = TestWineSettings(), int scale = 1) {
        PutLauncher(kind);
        return CWineStart(Fake(), settings).Start(LauncherPath().string(), kind, text, scale);
    }

    // The probe got exactly what Windows gives a program started with the
    // quoted path followed by `text`.
    void ExpectCommandLine(const std::u16string& text) {
        const auto record = WaitForProbeRecord(m_record);
        ASSERT_TRUE(record) << "the probe did not run";
        const std::u16string line = u"\"" + WindowsPath(LauncherPath()) + u"\"" + text;
        EXPECT_EQ(record->at("wide"), WideHex(line));
        EXPECT_EQ(record->at("narrow"), BytesHex(CodePage936(line)));
        EXPECT_EQ(record->at("acp"), "936");
        EXPECT_EQ(record->at("cwd"), WideHex(WindowsPath(m_dir.Path())));
    }

    void ExpectNothingStarted() {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_FALSE(fs::exists(m_record)) << "the probe ran";
        EXPECT_TRUE(Fake().quitCodes.empty());
    }

    CTempDir m_dir;
    CScopedChdir m_cwd{m_dir.Path()};
    fs::path m_launcherDir = m_dir.Path() / "游戏 目录";
    fs::path m_record = m_dir.Path() / "record";
};

// Every file under `root`, as paths relative to it, but for those under
// `skipped`.
std::vector<std::string> FilesUnder(const fs::path& root, const fs::path& skipped) {
    std::vector<std::string> files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::end(it); ++it) {
        if (it->path() == skipped) {
            it.disable_recursion_pending();
        } else if (!it->is_directory()) {
            files.push_back(fs::relative(it->path(), root).string());
        }
    }
    return files;
}

}  // namespace

TEST_F(WineStartTest, PrefixIsMadeOnFirstUseInAWindowOfOursAndKeptPrivate) {
    const WineSettings settings = TestWineSettings();
    ASSERT_FALSE(fs::exists(settings.prefix)) << "run this test first";
    const WineStartResult result = Start(u" ,id^u1", EProgramKind::Windows64, settings);
    ASSERT_EQ(result.kind, WineStartResult::Kind::Started) << result.detail;
    ExpectCommandLine(u" ,id^u1");
    EXPECT_EQ(Fake().progressTitles, (std::vector<std::u16string>{kPreparing, kStarting}));

    EXPECT_EQ(settings.prefix, PlayerDataDir() + "/tharnvale-login-launcher/wine");
    struct stat st {};
    ASSERT_EQ(lstat(settings.prefix.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    // Nothing of Wine's reaches the player's folders: no ~/.wine, no menu
    // entries, icons or file associations.
    EXPECT_EQ(FilesUnder(PlayerHome(), settings.prefix), std::vector<std::string>{});
    EXPECT_TRUE(CWinePrefix(settings.prefix).IsMade());

    // Made once: the next start only starts.
    Fake().Reset();
    fs::remove(m_record);
    ASSERT_EQ(Start(u" ,id^u2", EProgramKind::Windows32).kind, WineStartResult::Kind::Started);
    ExpectCommandLine(u" ,id^u2");
    EXPECT_EQ(Fake().progressTitles, std::vector<std::u16string>{kStarting});
}

namespace {

struct LineCase {
    const char* name;
    std::u16string text;
    EProgramKind kind;
};

// The texts the login routes hand over, and what the Windows command-line
// rules, Wine's own argv rebuilding or a shell would each change.
const LineCase kLineCases[] = {
    {"launch args 64", u" ,id^u1,auth_key^t&s&o&x", EProgramKind::Windows64},
    {"launch args 32", u" ,id^u1,auth_key^t&s&o&x", EProgramKind::Windows32},
    {"empty text", u"", EProgramKind::Windows64},
    {"blank only", u" ", EProgramKind::Windows32},
    {"address right after the quote", u"http://127.0.0.1/plumoqx/codeCallback.htm?code=a&b=c",
     EProgramKind::Windows64},
    {"runs of blanks and tabs", u"  a   b\t\tc \t ", EProgramKind::Windows32},
    {"unclosed quote", u" ,id^\"unterminated", EProgramKind::Windows64},
    {"backslashes before quotes", u" a\\\\\"b\\\" c\\", EProgramKind::Windows32},
    {"quote runs and empty quotes", u" \"\"\"x\"\"\" \"\" y", EProgramKind::Windows64},
    {"empty values", u" ,id^,auth_key^&&&", EProgramKind::Windows32},
    {"cmd and shell characters", u" &^|<>%PATH% $(id) `id`;", EProgramKind::Windows64},
    {"Chinese values 64", u" ,id^玩家一,auth_key^令牌&一区&其他&签名", EProgramKind::Windows64},
    {"Chinese values 32", u" ,id^玩家一,auth_key^令牌&一区&其他&签名", EProgramKind::Windows32},
    {"long text", u" ,id^" + std::u16string(12000, u'k'), EProgramKind::Windows64},
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

class WineCommandLineTest : public WineStartTest, public testing::WithParamInterface<LineCase> {};

}  // namespace

TEST_P(WineCommandLineTest, IsExactlyWhatWindowsGives) {
    const WineStartResult result = Start(GetParam().text, GetParam().kind);
    ASSERT_EQ(result.kind, WineStartResult::Kind::Started) << result.detail;
    ExpectCommandLine(GetParam().text);
    EXPECT_TRUE(Fake().messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Texts, WineCommandLineTest, testing::ValuesIn(kLineCases),
                         CaseName<LineCase>);

TEST_F(WineStartTest, DpiFollowsTheDesktopScale) {
    ASSERT_EQ(Start(u"", EProgramKind::Windows64, TestWineSettings(), 2).kind,
              WineStartResult::Kind::Started);
    auto record = WaitForProbeRecord(m_record);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->at("dpi"), "192");
    fs::remove(m_record);
    ASSERT_EQ(Start(u"", EProgramKind::Windows32, TestWineSettings(), 1).kind,
              WineStartResult::Kind::Started);
    record = WaitForProbeRecord(m_record);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->at("dpi"), "96");
}

TEST_F(WineStartTest, WithoutTheChineseLocaleTheWideLineIsRightAndTheLogSaysSo) {
    // No locale files but the C library's own UTF-8 one: as on a machine
    // where zh_CN.UTF-8 was never generated, for us and for Wine alike.
    CTempDir noLocales;
    const std::string locale = std::getenv("LC_ALL") != nullptr ? std::getenv("LC_ALL") : "";
    setenv("LOCPATH", noLocales.Str().c_str(), 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    testing::internal::CaptureStderr();
    const WineStartResult result = Start(u" ,id^玩家", EProgramKind::Windows64);
    const std::string log = testing::internal::GetCapturedStderr();
    unsetenv("LOCPATH");
    setenv("LC_ALL", locale.c_str(), 1);
    ASSERT_EQ(result.kind, WineStartResult::Kind::Started) << result.detail;
    const auto record = WaitForProbeRecord(m_record);
    ASSERT_TRUE(record);
    const std::u16string line = u"\"" + WindowsPath(LauncherPath()) + u"\" ,id^玩家";
    EXPECT_EQ(record->at("wide"), WideHex(line));
    EXPECT_NE(record->at("acp"), "936");
    EXPECT_NE(log.find("zh_CN.UTF-8 is not generated"), std::string::npos) << log;
    EXPECT_NE(log.find("'?'"), std::string::npos) << log;
}

TEST_F(WineStartTest, TextLongerThanWindowsTakesFailsToStart) {
    const WineStartResult result =
        Start(u" " + std::u16string(40000, u'k'), EProgramKind::Windows64);
    EXPECT_EQ(result.kind, WineStartResult::Kind::Failed) << result.detail;
    EXPECT_EQ(result.message, u"启动游戏失败，请重新启动！");
    EXPECT_FALSE(fs::exists(m_record));
}

TEST_F(WineStartTest, NoRunnerIsToldWithHowToInstallOneAndNothingIsMade) {
    CTempDir emptyBin;
    WineSettings settings = TestWineSettings();
    settings.searchPath = emptyBin.Str();
    settings.prefix = m_dir.Str() + "/prefix";
    const WineStartResult result = Start(u" ,id^u1", EProgramKind::Windows32, settings);
    EXPECT_EQ(result.kind, WineStartResult::Kind::Refused);
    for (const char16_t* needed : {u"Wine", u"wine32:i386", u"dnf install wine", u"pacman -S wine",
                                   u"Steam Deck", u"THARNVALE_WINE"}) {
        EXPECT_NE(result.message.find(needed), std::u16string::npos) << Utf8FromWide(needed);
    }
    EXPECT_FALSE(fs::exists(settings.prefix));
    EXPECT_TRUE(Fake().progressTitles.empty());
    ExpectNothingStarted();
}

TEST_F(WineStartTest, RunnerNamedByThePlayerIsUsed) {
    // A runner of the player's: records that it ran, then is Wine.
    CTempDir bin;
    const fs::path runner = bin.Path() / "my-wine";
    const fs::path ran = m_dir.Path() / "runner-ran";
    WriteFile(runner, "#!/bin/sh\necho \"$1\" >>'" + ran.string() + "'\nexec wine \"$@\"\n");
    fs::permissions(runner, fs::perms::owner_all);

    setenv("THARNVALE_WINE", runner.c_str(), 1);
    WineSettings settings = WineSettingsFromEnvironment(TEST_BINARY_DIR "/..", PlayerDataDir());
    unsetenv("THARNVALE_WINE");
    ASSERT_EQ(Start(u" ,id^a", EProgramKind::Windows64, settings).kind,
              WineStartResult::Kind::Started);
    ExpectCommandLine(u" ,id^a");
    EXPECT_EQ(ReadFile(ran), std::string(TEST_BINARY_DIR) + "/../start-in-wine-64.exe\n");

    // By name, from PATH.
    fs::remove(m_record);
    settings.runner = "my-wine";
    settings.searchPath = bin.Str() + ":" + settings.searchPath;
    ASSERT_EQ(Start(u" ,id^b", EProgramKind::Windows32, settings).kind,
              WineStartResult::Kind::Started);
    ExpectCommandLine(u" ,id^b");

    // Named, but not there: the player is told which setting is wrong.
    fs::remove(m_record);
    settings.runner = bin.Str() + "/proton/files/bin/wine";
    const WineStartResult missing = Start(u" ,id^c", EProgramKind::Windows32, settings);
    EXPECT_EQ(missing.kind, WineStartResult::Kind::Refused);
    EXPECT_NE(missing.message.find(u"THARNVALE_WINE"), std::u16string::npos);
    EXPECT_NE(missing.message.find(WideFromUtf8(settings.runner)), std::u16string::npos);
    ExpectNothingStarted();
}

TEST_F(WineStartTest, PrefixThatIsALinkOrAnotherUsersIsRefusedAndLeftAlone) {
    WineSettings settings = TestWineSettings();
    const fs::path target = m_dir.Path() / "elsewhere";
    fs::create_directories(target);
    settings.prefix = (m_dir.Path() / "linked").string();
    fs::create_directory_symlink(target, settings.prefix);
    WineStartResult result = Start(u"", EProgramKind::Windows64, settings);
    EXPECT_EQ(result.kind, WineStartResult::Kind::Refused);
    EXPECT_NE(result.message.find(u"链接"), std::u16string::npos);
    EXPECT_TRUE(fs::is_empty(target));

    if (geteuid() != 0) {
        GTEST_SKIP() << "another user's folder needs root to make";
    }
    settings.prefix = (m_dir.Path() / "theirs").string();
    fs::create_directories(settings.prefix);
    ASSERT_EQ(chown(settings.prefix.c_str(), 65534, 65534), 0);
    result = Start(u"", EProgramKind::Windows64, settings);
    EXPECT_EQ(result.kind, WineStartResult::Kind::Refused);
    EXPECT_NE(result.message.find(u"属于其他用户"), std::u16string::npos);
    EXPECT_TRUE(fs::is_empty(settings.prefix));
    ExpectNothingStarted();
}

TEST_F(WineStartTest, RelativePrefixIsRefused) {
    WineSettings settings = TestWineSettings();
    settings.prefix = "games/prefix";
    const WineStartResult result = Start(u"", EProgramKind::Windows64, settings);
    EXPECT_EQ(result.kind, WineStartResult::Kind::Refused);
    EXPECT_NE(result.message.find(u"THARNVALE_WINEPREFIX"), std::u16string::npos);
    EXPECT_FALSE(fs::exists("games"));
}

TEST_F(WineStartTest, ReadOnlyPrefixIsRefused) {
    if (!CanMount()) {
        GTEST_SKIP() << "needs a mount namespace of its own (root)";
    }
    WineSettings settings = TestWineSettings();
    settings.prefix = (m_dir.Path() / "read-only").string();
    fs::create_directories(settings.prefix);
    chmod(settings.prefix.c_str(), 0700);
    ASSERT_EQ(mount("tmpfs", settings.prefix.c_str(), "tmpfs", MS_RDONLY, "mode=0700"), 0);
    const WineStartResult result = Start(u"", EProgramKind::Windows64, settings);
    umount(settings.prefix.c_str());
    EXPECT_EQ(result.kind, WineStartResult::Kind::Refused);
    EXPECT_NE(result.message.find(u"不可写"), std::u16string::npos);
    ExpectNothingStarted();
}

TEST_F(WineStartTest, FullDiskIsToldAndWhatWasMadeIsTakenAway) {
    if (!CanMount()) {
        GTEST_SKIP() << "needs a mount namespace of its own (root)";
    }
    WineSettings settings = TestWineSettings();
    const fs::path small = m_dir.Path() / "small";
    fs::create_directories(small);
    ASSERT_EQ(mount("tmpfs", small.c_str(), "tmpfs", 0, "size=48m"), 0);
    settings.prefix = (small / "prefix").string();
    const WineStartResult result = Start(u"", EProgramKind::Windows64, settings);
    EXPECT_EQ(result.kind, WineStartResult::Kind::Refused) << result.detail;
    EXPECT_NE(result.message.find(u"磁盘空间不足"), std::u16string::npos);
    EXPECT_TRUE(fs::is_empty(settings.prefix));
    EXPECT_FALSE(CWinePrefix(settings.prefix).IsServerRunning());
    umount(small.c_str());
    ExpectNothingStarted();
}

namespace {

// The folders of Wine servers' sockets that Debian's Wine made in the
// temporary folder.
std::set<fs::path> ServerFolders() {
    std::set<fs::path> found;
    for (const auto& entry : fs::directory_iterator(fs::temp_directory_path())) {
        if (entry.path().filename().string().starts_with("wine-")) {
            found.insert(entry.path());
        }
    }
    return found;
}

}  // namespace

TEST_F(WineStartTest, CancelledPreparationTakesAwayWhatWasMade) {
    const std::set<fs::path> serverFolders = ServerFolders();
    WineSettings settings = TestWineSettings();
    settings.prefix = (m_dir.Path() / "cancelled").string();
    Fake().duringProgress = [&](TransferProgress& progress) {
        // Once Wine is well under way.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!fs::exists(settings.prefix + "/drive_c") &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        progress.cancelRequested = true;
    };
    const WineStartResult result = Start(u"", EProgramKind::Windows64, settings);
    EXPECT_EQ(result.kind, WineStartResult::Kind::Cancelled);
    EXPECT_TRUE(fs::is_empty(settings.prefix));
    EXPECT_FALSE(CWinePrefix(settings.prefix).IsServerRunning());
    EXPECT_EQ(ServerFolders(), serverFolders) << "the server's folder was left behind";
    EXPECT_TRUE(Fake().messages.empty());
    ExpectNothingStarted();
}

TEST_F(WineStartTest, PrefixMadeWithoutTheNeededBitnessIsTold) {
    // As a Wine without 32-bit support leaves a prefix: no 32-bit system
    // files; and as a 32-bit Wine leaves one: no 64-bit side at all.
    WineSettings settings = TestWineSettings();
    settings.prefix = (m_dir.Path() / "made-64").string();
    fs::create_directories(settings.prefix + "/drive_c/windows/system32");
    fs::create_directories(settings.prefix + "/drive_c/windows/syswow64");
    WriteFile(settings.prefix + "/.update-timestamp", "1676758571\n");
    chmod(settings.prefix.c_str(), 0700);
    WineStartResult result = Start(u"", EProgramKind::Windows32, settings);
    EXPECT_EQ(result.kind, WineStartResult::Kind::Refused);
    EXPECT_NE(result.message.find(u"没有 32 位支持"), std::u16string::npos);
    EXPECT_NE(result.message.find(u"wine32:i386"), std::u16string::npos);
    EXPECT_NE(result.message.find(WideFromUtf8(settings.prefix)), std::u16string::npos);

    fs::remove_all(settings.prefix + "/drive_c/windows/syswow64");
    result = Start(u"", EProgramKind::Windows64, settings);
    EXPECT_EQ(result.kind, WineStartResult::Kind::Refused);
    EXPECT_NE(result.message.find(u"32 位的"), std::u16string::npos);
    ExpectNothingStarted();
}

TEST_F(WineStartTest, RunnerWithout32BitSupportIsTold) {
    if (!CanMount()) {
        GTEST_SKIP() << "needs a mount namespace of its own (root)";
    }
    // The machine's Wine with its 32-bit half hidden, in a namespace of the
    // runner's own: a 64-bit-only install, which runs no 32-bit program
    // and says nothing (exit 0).
    CTempDir bin;
    CTempDir empty;
    const fs::path runner = bin.Path() / "wine64-only";
    WriteFile(runner,
              "#!/bin/sh\nexec unshare --mount --propagation private sh -c '"
              "for d in /usr/lib/i386-linux-gnu/wine; do [ -d $d ] && mount --bind " +
                  empty.Str() +
                  " $d; done; "
                  "for f in /usr/lib/wine/wine /usr/lib/wine/wineserver32; do [ -f $f ] && "
                  "mount --bind /dev/null $f; done; exec wine \"$@\"' wine \"$@\"\n");
    fs::permissions(runner, fs::perms::owner_all);
    WineSettings settings = TestWineSettings();
    settings.runner = runner.string();
    // A server it starts would see only the 64-bit half, and so would every
    // later program of the prefix: the prefix's server is its own, and goes
    // with the test.
    const CWinePrefix prefix(settings.prefix);
    prefix.StopServer();
    const WineStartResult result = Start(u" ,id^x", EProgramKind::Windows32, settings);
    prefix.StopServer();
    EXPECT_EQ(result.kind, WineStartResult::Kind::Refused) << result.detail;
    EXPECT_NE(result.message.find(u"没有 32 位支持"), std::u16string::npos);
    ExpectNothingStarted();
}

TEST_F(WineStartTest, LauncherOutlivesOurEndAndAHangUpAndHoldsNothingOfOurs) {
    setenv("PROBE_LINGER_MS", "3000", 1);
    PutLauncher(EProgramKind::Windows64);
    // A file of ours open without close-on-exec, as a library may leave one.
    const fs::path ours = m_dir.Path() / "ours";
    WriteFile(ours, "x");
    const int fd = open(ours.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);

    // The program: starts the launcher in a process group of its own, then
    // ends; its group is hung up on, as a closing terminal does.
    const pid_t program = fork();
    if (program == 0) {
        setpgid(0, 0);
        const WineStartResult result =
            CWineStart(Fake(), TestWineSettings())
                .Start(LauncherPath().string(), EProgramKind::Windows64, u" ,id^a", 1);
        _exit(result.kind == WineStartResult::Kind::Started ? 0 : 1);
    }
    close(fd);
    int status = 0;
    ASSERT_EQ(waitpid(program, &status, 0), program);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    kill(-program, SIGHUP);

    const auto record = WaitForProbeRecord(m_record);
    ASSERT_TRUE(record);
    const std::vector<int> launchers =
        ProcessesWithEnvironment("PROBE_RECORD=" + m_record.string());
    ASSERT_FALSE(launchers.empty()) << "the launcher is not running";
    for (const int pid : launchers) {
        EXPECT_NE(getsid(pid), getsid(0)) << "the launcher is in our session";
        for (const auto& link : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
            std::error_code error;
            EXPECT_NE(fs::read_symlink(link.path(), error), ours) << "the launcher holds our file";
        }
    }
    EXPECT_TRUE(WaitForProbeRecord(m_record, "ended")) << "the launcher did not run to its end";
}

namespace {

class WineLauncherFetchTest : public WineStartTest {
protected:
    CLauncherFetch Fetch(WineSettings settings, const std::string& sha256 = "",
                         const std::string& signingKey = "") {
        return CLauncherFetch(Fake(), m_launcherDir.string(),
                              {.url = m_server.Origin() + kLauncherUrlPath,
                               .userAgent = "wine_tests",
                               .sha256 = sha256,
                               .signingKey = signingKey},
                              std::move(settings));
    }

    CTestServer m_server;
};

}  // namespace

TEST_F(WineLauncherFetchTest, DownloadedSignedWindowsLauncherStartsUnderWine) {
    const std::string bytes = ReadFile(ProbePath(EProgramKind::Windows32));
    const CSigningKey key;
    const std::string signature = key.Sign(bytes);
    m_server.Server().Get(kLauncherUrlPath, [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(bytes, "application/octet-stream");
    });
    m_server.Server().Get(std::string(kLauncherUrlPath) + ".sig",
                          [&](const httplib::Request&, httplib::Response& res) {
                              res.set_content(signature, "application/octet-stream");
                          });
    m_server.Start();
    fs::create_directories(m_launcherDir);
    CSha256 digest;
    digest.Update(bytes);
    Fetch(TestWineSettings(), digest.HexDigest(), key.PublicHex())
        .FetchAndStartLauncher(" ,id^u1,auth_key^t&s&o&x");
    ExpectCommandLine(u" ,id^u1,auth_key^t&s&o&x");
    EXPECT_EQ(Fake().quitCodes, std::vector<int>{16});
    EXPECT_TRUE(Fake().messages.empty());
    EXPECT_EQ(Fake().hiddenWindows, 0);
}

TEST_F(WineLauncherFetchTest, UnderSteamTheProgramWaitsOutOfSightForTheGamesEnd) {
    setenv("PROBE_LINGER_MS", "2000", 1);
    PutLauncher(EProgramKind::Windows32);
    WineSettings settings = TestWineSettings();
    settings.waitForGameEnd = true;
    Fetch(settings).StartLauncher(" ,id^u1");
    ASSERT_TRUE(WaitForProbeRecord(m_record));
    EXPECT_EQ(Fake().hiddenWindows, 1);
    EXPECT_EQ(Fake().quitCodes, std::vector<int>{16});
    ASSERT_TRUE(Fake().quitWhen);
    EXPECT_FALSE(Fake().quitWhen()) << "the game still runs";

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!Fake().quitWhen() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(Fake().quitWhen()) << "the game's Wine session did not end";
    EXPECT_TRUE(WaitForProbeRecord(m_record, "ended", std::chrono::seconds(0)))
        << "the wait ended before the game did";
}

TEST_F(WineLauncherFetchTest, NativeLauncherIsStartedAsBefore) {
    fs::create_directories(m_launcherDir);
    fs::copy_file(FakeLauncherPath(), LauncherPath());
    setenv("FAKE_LAUNCHER_RECORD", m_record.c_str(), 1);
    WineSettings settings = TestWineSettings();
    settings.searchPath.clear();  // no Wine: none is needed
    Fetch(settings).StartLauncher(" a  b");
    const auto record = WaitForLauncherRecord(m_record);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->argv, (std::vector<std::string>{LauncherPath().string(), "a", "b"}));
    EXPECT_TRUE(Fake().messages.empty());
}
