#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

#include "platform/ModulePath.h"
#include "platform/TextCodec.h"

TEST(ModulePath, DirectoryIsTheTextBeforeTheLastSlash) {
    EXPECT_EQ(ModuleDirFromPath("/opt/games/tharnvale/login-launcher"), "/opt/games/tharnvale");
    EXPECT_EQ(ModuleDirFromPath("/login-launcher"), "");
    EXPECT_EQ(ModuleDirFromPath("login-launcher"), "");
}

TEST(ModulePath, LongPathsAreNeverCut) {
    std::string dir;
    while (dir.size() < 1000) {
        dir += "/a-rather-long-directory-name";
    }
    EXPECT_EQ(ModuleDirFromPath(dir + "/login-launcher"), dir);
}

TEST(ModulePath, RunningProgramIsTheTestExecutable) {
    EXPECT_EQ(GetModuleDirNative(), TEST_BINARY_DIR);
    EXPECT_EQ(GetModuleDir(), Widen(TEST_BINARY_DIR));
    EXPECT_EQ(GetModuleBaseName(), "unit_tests");
}

TEST(ModulePath, ProgramDeepInTheTreeFindsItsWholeDirectory) {
    // Far past the 260 characters a fixed buffer would have cut it at.
    CTempDir root;
    std::filesystem::path dir = root.Path();
    for (int i = 0; i < 12; ++i) {
        dir /= "a-directory-name-of-forty-characters-xxx";
    }
    dir /= "游戏 目录";
    std::filesystem::create_directories(dir);
    const auto probe = dir / "probe";
    std::filesystem::copy_file(MODULE_DIR_PROBE_PATH, probe);
    ASSERT_GT(dir.string().size(), 520u);

    FILE* out = popen(("'" + probe.string() + "'").c_str(), "r");
    ASSERT_NE(out, nullptr);
    std::string printed;
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, out)) {
        printed.append(buf, n);
    }
    pclose(out);
    EXPECT_EQ(printed, dir.string());
}
