#pragma once

// What the tests of the launcher fetch share: a program directory, a working
// directory, a loopback server and the fake launcher's record.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "handoff/HandoffSequence.h"
#include "handoff/LauncherFetch.h"
#include "platform/TextCodec.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TestSupport.h"

inline constexpr char kArgs[] = " ,id^u1,auth_key^t&s&o&x";
inline constexpr char16_t kStartFailed[] = u"启动游戏失败，请重新启动！";

namespace fs = std::filesystem;

class LauncherFetchFixture : public testing::Test {
protected:
    void SetUp() override {
        Fake().Reset();
        setenv("FAKE_LAUNCHER_RECORD", m_record.c_str(), 1);
        m_launcherBytes = ReadFile(FakeLauncherPath());
        ASSERT_FALSE(m_launcherBytes.empty());
    }

    // Retries as the program makes them, with pauses short enough for a test.
    static LauncherSource Source(const std::string& url, std::string sha256 = "",
                                 std::string signingKey = "") {
        LauncherSource source{.url = url,
                              .userAgent = "unit_tests",
                              .sha256 = std::move(sha256),
                              .signingKey = std::move(signingKey)};
        source.retry.firstPause = std::chrono::milliseconds(10);
        return source;
    }

    CLauncherFetch Fetch(std::string sha256 = "") {
        return CLauncherFetch(Fake(), m_moduleDir.Str(),
                              Source(m_server.Origin() + kLauncherUrlPath, std::move(sha256)));
    }

    // A hand-off whose steps keep the launch argument string and start the
    // launcher with it from the test's program folder, as the program's do.
    CHandoffSequence Handoff() {
        return {[this](const std::u16string& text) { m_launchArgs = Narrow(text); },
                [this] { Fetch().FetchAndStartLauncher(m_launchArgs); },
                {}};
    }

    void ServeLauncher(const std::string& body) {
        m_server.Server().Get(kLauncherUrlPath,
                              [body](const httplib::Request&, httplib::Response& res) {
                                  res.set_content(body, "application/octet-stream");
                              });
        m_server.Start();
    }

    void PutLauncher(const std::string& bytes, fs::perms perms) {
        WriteFile(LauncherPath(), bytes);
        fs::permissions(LauncherPath(), perms);
    }

    fs::path LauncherPath() const { return m_moduleDir.Path() / kLauncherFileName; }

    std::vector<std::string> ModuleDirEntries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_moduleDir.Path())) {
            names.push_back(e.path().filename().string());
        }
        return names;
    }

    // The hand-off ended without a start and with the program still running.
    void ExpectNothingStarted() {
        EXPECT_FALSE(fs::exists(LauncherPath()));
        EXPECT_TRUE(ModuleDirEntries().empty()) << "a temporary file was left behind";
        EXPECT_TRUE(Fake().quitCodes.empty());
        EXPECT_FALSE(fs::exists(m_record));
    }

    void ExpectStartedWith(const std::vector<std::string>& argv) {
        const auto record = WaitForLauncherRecord(m_record);
        ASSERT_TRUE(record) << "the launcher did not run";
        EXPECT_EQ(record->argv, argv);
        EXPECT_EQ(record->cwd, fs::current_path().string());
        EXPECT_EQ(Fake().quitCodes, std::vector<int>{16});
    }

    std::string m_launchArgs;
    CTempDir m_moduleDir;
    CTempDir m_workDir;
    CScopedChdir m_cwd{m_workDir.Path()};
    fs::path m_record = m_workDir.Path() / "launcher-record";
    // Before the server: its threads may still be serving these bytes when a
    // test ends, and members go in reverse order, the server (which waits for
    // its threads) first.
    std::string m_launcherBytes;
    CTestServer m_server;
};
