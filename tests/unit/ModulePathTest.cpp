#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

#include "platform/ModulePath.h"
#include "platform/TextCodec.h"

namespace {

// What the probe program at `path` prints: the folder it finds itself in.
std::string FolderFoundBy(const std::filesystem::path& path) {
    FILE* out = popen(("'" + path.string() + "'").c_str(), "r");
    if (out == nullptr) {
        return "(cannot start " + path.string() + ")";
    }
    std::string printed;
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, out)) {
        printed.append(buf, n);
    }
    pclose(out);
    return printed;
}

}  // namespace

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

    EXPECT_EQ(FolderFoundBy(probe), dir.string());
}

TEST(ModulePath, ProgramStartedThroughALinkFindsTheFolderOfItsFile) {
    // As installed: the command in the games' folder is a link to the
    // program in a folder of its own, which is where it must look.
    CTempDir root;
    const auto programDir = root.Path() / "libexec" / "tharnvale-login-launcher";
    const auto commandDir = root.Path() / "games";
    std::filesystem::create_directories(programDir);
    std::filesystem::create_directories(commandDir);
    std::filesystem::copy_file(MODULE_DIR_PROBE_PATH, programDir / "probe");
    std::filesystem::create_symlink("../libexec/tharnvale-login-launcher/probe",
                                    commandDir / "command");

    EXPECT_EQ(FolderFoundBy(commandDir / "command"), programDir.string());
}
