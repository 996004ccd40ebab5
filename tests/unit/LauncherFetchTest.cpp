// The launcher fetch and start against a real loopback HTTP server and a fake
// launcher that records how it was started.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "handoff/AppLogin.h"
#include "handoff/LauncherFetch.h"
#include "platform/Sha256.h"
#include "platform/TextCodec.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/LauncherFetchFixture.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

class LauncherFetchTest : public LauncherFetchFixture {};

}  // namespace

TEST_F(LauncherFetchTest, PresentLauncherStartsWithoutAnyRequest) {
    m_server.Start();
    PutLauncher(m_launcherBytes, fs::perms::owner_all);
    Fetch().FetchAndStartLauncher(kArgs);
    ExpectStartedWith({LauncherPath().string(), ",id^u1,auth_key^t&s&o&x"});
    EXPECT_EQ(m_server.RequestCount(), 0);
    EXPECT_TRUE(Fake().progressTitles.empty());
    EXPECT_TRUE(Fake().messages.empty());
}

TEST_F(LauncherFetchTest, MissingLauncherIsDownloadedWhole) {
    ServeLauncher(m_launcherBytes);
    Fetch().FetchAndStartLauncher(kArgs);
    ExpectStartedWith({LauncherPath().string(), ",id^u1,auth_key^t&s&o&x"});
    EXPECT_EQ(ReadFile(LauncherPath()), m_launcherBytes);
    EXPECT_EQ(fs::status(LauncherPath()).permissions() & fs::perms::owner_exec,
              fs::perms::owner_exec);
    EXPECT_EQ(ModuleDirEntries(), std::vector<std::string>{kLauncherFileName});
    EXPECT_EQ(m_server.LastUserAgent(), "unit_tests");
    EXPECT_EQ(Fake().progressTitles.size(), 1u);
    EXPECT_TRUE(Fake().messages.empty());
}

TEST_F(LauncherFetchTest, DownloadGoesToATemporaryFileUntilComplete) {
    // A body sent slowly enough to look at the directory while it arrives.
    m_server.Server().Get(
        kLauncherUrlPath, [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(m_launcherBytes.size(), "application/octet-stream",
                                     [this](size_t offset, size_t, httplib::DataSink& sink) {
                                         const size_t n = std::min<size_t>(
                                             4096, m_launcherBytes.size() - offset);
                                         std::this_thread::sleep_for(std::chrono::milliseconds(5));
                                         return sink.write(m_launcherBytes.data() + offset, n);
                                     });
        });
    m_server.Start();
    bool sawPartFile = false;
    Fake().duringProgress = [&](TransferProgress& progress) {
        while (progress.received < 4096) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_FALSE(fs::exists(LauncherPath()));
        for (const std::string& name : ModuleDirEntries()) {
            sawPartFile |= name.starts_with(std::string(".") + kLauncherFileName);
        }
    };
    Fetch().FetchAndStartLauncher(kArgs);
    EXPECT_TRUE(sawPartFile);
    EXPECT_EQ(ReadFile(LauncherPath()), m_launcherBytes);
}

TEST_F(LauncherFetchTest, OtherStatusIsToldWithItsCodeAndALaterHandoffTriesAgain) {
    m_server.Start();  // no route: every request gets 404
    Fetch().FetchAndStartLauncher(kArgs);
    ExpectNothingStarted();
    ASSERT_EQ(Fake().messages.size(), 1u);
    EXPECT_EQ(Fake().messages[0].caption, u"【下载失败】");
    EXPECT_NE(Fake().messages[0].text.find(u"HTTP 404"), std::u16string::npos);
    Fetch().FetchAndStartLauncher(kArgs);
    EXPECT_EQ(m_server.RequestCount(), 2);
}

TEST_F(LauncherFetchTest, EmptyBodyIsNoLauncherAndALaterHandoffTriesAgain) {
    ServeLauncher("");
    Fetch().FetchAndStartLauncher(kArgs);
    ExpectNothingStarted();
    ASSERT_EQ(Fake().messages.size(), 1u);
    EXPECT_EQ(Fake().messages[0].caption, u"【下载失败】");
    Fetch().FetchAndStartLauncher(kArgs);
    EXPECT_EQ(m_server.RequestCount(), 2);
}

TEST_F(LauncherFetchTest, BodyShorterThanAnnouncedIsThrownAway) {
    m_server.Server().Get(
        kLauncherUrlPath, [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(m_launcherBytes.size(), "application/octet-stream",
                                     [this](size_t offset, size_t, httplib::DataSink& sink) {
                                         if (offset > 0) {
                                             return false;  // drop the connection half way
                                         }
                                         return sink.write(m_launcherBytes.data(),
                                                           m_launcherBytes.size() / 2);
                                     });
        });
    m_server.Start();
    Fetch().FetchAndStartLauncher(kArgs);
    ExpectNothingStarted();
    EXPECT_EQ(Fake().messages.size(), 1u);
}

TEST_F(LauncherFetchTest, UnreachableServerShowsAMessageAndKeepsRunning) {
    // A port that was free a moment ago: the connection is refused.
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    socklen_t len = sizeof addr;
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    close(s);
    CLauncherFetch fetch(
        Fake(), m_moduleDir.Str(),
        Source("http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + kLauncherUrlPath));
    fetch.FetchAndStartLauncher(kArgs);
    ExpectNothingStarted();
    ASSERT_EQ(Fake().messages.size(), 1u);
    EXPECT_EQ(Fake().messages[0].caption, u"【下载失败】");
}

TEST_F(LauncherFetchTest, BodyWhoseEndIsNotKnownIsNeverSaved) {
    // No length and no chunks: the body ends wherever the connection does,
    // which a broken transfer looks just like.
    CCannedServer server(
        "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
        "Connection: close\r\n\r\n" +
        m_launcherBytes);
    CLauncherFetch(Fake(), m_moduleDir.Str(), Source(server.Origin() + kLauncherUrlPath))
        .FetchAndStartLauncher(kArgs);
    ExpectNothingStarted();
    ASSERT_EQ(Fake().messages.size(), 1u);
    EXPECT_EQ(Fake().messages[0].caption, u"【下载失败】");
}

TEST_F(LauncherFetchTest, OnlyTheIdentityEncodingIsAskedForAndTaken) {
    CCannedServer server("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " +
                         std::to_string(m_launcherBytes.size()) + "\r\n\r\n" + m_launcherBytes);
    CLauncherFetch(Fake(), m_moduleDir.Str(), Source(server.Origin() + kLauncherUrlPath))
        .FetchAndStartLauncher(kArgs);
    ExpectNothingStarted();
    EXPECT_EQ(Fake().messages.size(), 1u);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_NE(server.Requests()[0].find("\r\nAccept-Encoding: identity\r\n"), std::string::npos)
        << server.Requests()[0];
}

TEST_F(LauncherFetchTest, StalePartialDownloadsOfOursAreRemovedAndNothingElse) {
    const auto put = [&](const std::string& name, std::chrono::minutes age) {
        WriteFile(m_moduleDir.Path() / name, "partial");
        fs::last_write_time(m_moduleDir.Path() / name, fs::file_time_type::clock::now() - age);
    };
    using std::chrono::minutes;
    put(".vuntek_qx_launch.exe.part-Ab3xYz", minutes(60 * 24));   // a killed run's: removed
    put(".vuntek_qx_launch.exe.part-Fresh1", minutes(1));         // another run's, going on
    put(".vuntek_qx_launch.exe.part-toolong", minutes(60 * 24));  // not a name we make
    put("vuntek_qx_launch.exe.part-Ab3xYz", minutes(60 * 24));    // not a name we make
    put(".other.exe.part-Ab3xYz", minutes(60 * 24));              // not ours
    fs::create_symlink(m_moduleDir.Path() / ".other.exe.part-Ab3xYz",
                       m_moduleDir.Path() / ".vuntek_qx_launch.exe.part-Link01");
    Fetch().RemoveStaleDownloads();
    auto left = ModuleDirEntries();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{
                        ".other.exe.part-Ab3xYz", ".vuntek_qx_launch.exe.part-Fresh1",
                        ".vuntek_qx_launch.exe.part-Link01", ".vuntek_qx_launch.exe.part-toolong",
                        "vuntek_qx_launch.exe.part-Ab3xYz"}));
}

TEST_F(LauncherFetchTest, RedirectIsFollowed) {
    m_server.Server().Get(kLauncherUrlPath, [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/mirror/launcher.bin");
        res.set_content("moved", "text/plain");
    });
    m_server.Server().Get("/mirror/launcher.bin",
                          [this](const httplib::Request&, httplib::Response& res) {
                              res.set_content(m_launcherBytes, "application/octet-stream");
                          });
    m_server.Start();
    Fetch().FetchAndStartLauncher(kArgs);
    ExpectStartedWith({LauncherPath().string(), ",id^u1,auth_key^t&s&o&x"});
    EXPECT_EQ(ReadFile(LauncherPath()), m_launcherBytes);
}

TEST_F(LauncherFetchTest, DigestMismatchIsNeverStarted) {
    ServeLauncher(m_launcherBytes);
    Fetch(std::string(64, '0')).FetchAndStartLauncher(kArgs);
    ExpectNothingStarted();
    EXPECT_EQ(Fake().messages.size(), 1u);
}

TEST_F(LauncherFetchTest, MatchingDigestInEitherCaseIsStarted) {
    ServeLauncher(m_launcherBytes);
    CSha256 digest;
    digest.Update(m_launcherBytes);
    std::string upper = digest.HexDigest();
    for (char& c : upper) {
        c = char(toupper(c));
    }
    Fetch(upper).FetchAndStartLauncher(kArgs);
    ExpectStartedWith({LauncherPath().string(), ",id^u1,auth_key^t&s&o&x"});
}

TEST_F(LauncherFetchTest, UnwritableProgramDirectoryShowsTheSystemsReason) {
    ServeLauncher(m_launcherBytes);
    fs::permissions(m_moduleDir.Path(), fs::perms(0555));
    // Root writes anywhere: run the fetch as an unprivileged user.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
                std::_Exit(10);
            }
            Fetch().FetchAndStartLauncher(kArgs);
            const bool ok = Fake().messages.size() == 1 && Fake().quitCodes.empty() &&
                            Fake().messages[0].text.find(Widen(std::strerror(EACCES))) !=
                                std::u16string::npos &&
                            !fs::exists(LauncherPath());
            std::_Exit(ok ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(LauncherFetchTest, StartThatFailsIsShownAndStillEndsTheProgram) {
    m_server.Start();
    PutLauncher("#!/nonexistent/interpreter\n", fs::perms::owner_all);
    Fetch().FetchAndStartLauncher(kArgs);
    ASSERT_EQ(Fake().messages.size(), 1u);
    EXPECT_EQ(Fake().messages[0].text, kStartFailed);
    EXPECT_EQ(Fake().messages[0].caption, u"【启动失败】");
    EXPECT_EQ(Fake().quitCodes, std::vector<int>{16});
}

TEST_F(LauncherFetchTest, NonExecutableLauncherFailsToStart) {
    m_server.Start();
    PutLauncher(m_launcherBytes, fs::perms::owner_read | fs::perms::owner_write);
    Fetch().FetchAndStartLauncher(kArgs);
    ASSERT_EQ(Fake().messages.size(), 1u);
    EXPECT_EQ(Fake().messages[0].text, kStartFailed);
    EXPECT_EQ(Fake().quitCodes, std::vector<int>{16});
}

TEST_F(LauncherFetchTest, CallbackAddressFollowsTheClosingQuote) {
    m_server.Start();
    PutLauncher(m_launcherBytes, fs::perms::owner_all);
    Fetch().FetchAndStartLauncher("http://portal/plumoqx/codeCallback.htm?code=9&x=1");
    ExpectStartedWith(
        {LauncherPath().string(), "http://portal/plumoqx/codeCallback.htm?code=9&x=1"});
}

TEST_F(LauncherFetchTest, LauncherInAnyFolderNameIsTheOneStartedWithTheSameArguments) {
    m_server.Start();
    // A quote and a blank would split a quoted path; a Latin-1 byte is not
    // text in a UTF-8 or GB18030 locale and would be narrowed to another name.
    for (const std::string name : {"a\"b c", "caf\xe9", "tab\there", "back\\slash\\"}) {
        SCOPED_TRACE(name);
        Fake().Reset();
        fs::remove(m_record);
        const fs::path dir = m_moduleDir.Path() / name;
        fs::create_directory(dir);
        WriteFile(dir / kLauncherFileName, m_launcherBytes);
        fs::permissions(dir / kLauncherFileName, fs::perms::owner_all);
        CLauncherFetch(Fake(), dir.string(), Source(m_server.Origin() + kLauncherUrlPath))
            .FetchAndStartLauncher(kArgs);
        ExpectStartedWith({(dir / kLauncherFileName).string(), ",id^u1,auth_key^t&s&o&x"});
        EXPECT_TRUE(Fake().messages.empty());
    }
}

TEST_F(LauncherFetchTest, ShellMetacharactersInEveryValueReachTheLauncherUntouched) {
    m_server.Start();
    PutLauncher(m_launcherBytes, fs::perms::owner_all);
    HandleAppLogin(
        uR"j({"uid":"$(touch pwned)","token":"`touch pwned`;x","server_id":"a|b>pwned",)j"
        uR"("other":"%PATH%^&<in","sign":"*\\\"'"})",
        Handoff());
    ExpectStartedWith({LauncherPath().string(), ",id^$(touch", "pwned),auth_key^`touch",
                       "pwned`;x&a|b>pwned&%PATH%^&<in&*\"'"});
    EXPECT_FALSE(fs::exists(m_workDir.Path() / "pwned"));
}

TEST_F(LauncherFetchTest, HandoffArrivingDuringADownloadIsIgnored) {
    ServeLauncher(m_launcherBytes);
    Fake().duringProgress = [](TransferProgress&) {
        CHandoffSequence second;
        second.fetchAndStartLauncher = [] { ADD_FAILURE() << "second hand-off ran"; };
        second.Run(u" ,id^intruder,auth_key^&&&");
    };
    Handoff().Run(u" ,id^u1,auth_key^t&s&o&x");
    ExpectStartedWith({LauncherPath().string(), ",id^u1,auth_key^t&s&o&x"});
    EXPECT_EQ(m_server.RequestCount(), 1);
}

TEST_F(LauncherFetchTest, CancellingBeforeAnyByteArrivesEndsQuietly) {
    // The server is still working on the answer when the test ends: what it
    // serves must outlive it (the sanitizer build reads freed bytes otherwise).
    std::atomic<bool> answering{false};
    m_server.Server().Get(kLauncherUrlPath, [&](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(m_launcherBytes.size(), "application/octet-stream",
                                 [&](size_t offset, size_t, httplib::DataSink& sink) {
                                     answering = true;
                                     std::this_thread::sleep_for(std::chrono::milliseconds(200));
                                     const std::string piece = m_launcherBytes.substr(offset, 1024);
                                     return sink.write(piece.data(), piece.size());
                                 });
    });
    m_server.Start();
    Fake().duringProgress = [&](TransferProgress& progress) {
        while (!answering) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        progress.cancelRequested = true;
    };
    Fetch().FetchAndStartLauncher(kArgs);
    ExpectNothingStarted();
    EXPECT_TRUE(Fake().messages.empty());
}

TEST_F(LauncherFetchTest, ClosingTheProgressWindowCancelsQuietly) {
    m_server.Server().Get(
        kLauncherUrlPath, [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(m_launcherBytes.size() * 100, "application/octet-stream",
                                     [this](size_t, size_t, httplib::DataSink& sink) {
                                         std::this_thread::sleep_for(std::chrono::milliseconds(20));
                                         return sink.write(m_launcherBytes.data(), 1024);
                                     });
        });
    m_server.Start();
    Fake().duringProgress = [](TransferProgress& progress) {
        while (progress.received == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        progress.cancelRequested = true;
    };
    Fetch().FetchAndStartLauncher(kArgs);
    ExpectNothingStarted();
    EXPECT_TRUE(Fake().messages.empty());
}
