#include <gtest/gtest.h>

#include <string>

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
