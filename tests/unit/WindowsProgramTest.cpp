// Telling Windows programs from native ones, and finding the runner that
// starts them.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "handoff/WindowsProgram.h"
#include "handoff/WineRunner.h"
#include "platform/ProcessStart.h"
#include "tests/support/CaseName.h"
#include "tests/support/TestSupport.h"

namespace {

// A DOS header naming the signature at `offset`, padded to it, then the
// signature "PE\0\0" and the machine field. An offset past any real file
// gives the header alone.
std::string PeFile(uint32_t offset, uint16_t machine, std::string_view signature = {"PE\0\0", 4}) {
    std::string bytes = "MZ";
    bytes.resize(0x3C, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(char(offset >> (8 * i)));
    }
    if (offset > (1u << 24)) {
        return bytes;
    }
    bytes.resize(std::max<size_t>(bytes.size(), offset), '\0');
    bytes += signature;
    bytes.push_back(char(machine & 0xFF));
    bytes.push_back(char(machine >> 8));
    return bytes;
}

struct KindCase {
    const char* name;
    std::string file;
    EProgramKind kind;
};

const KindCase kKindCases[] = {
    {"i386", PeFile(0x80, 0x014C), EProgramKind::Windows32},
    {"AMD64", PeFile(0x80, 0x8664), EProgramKind::Windows64},
    {"signature far into the file", PeFile(0x10000, 0x8664), EProgramKind::Windows64},
    {"ARM64 is no program Wine runs here", PeFile(0x80, 0xAA64), EProgramKind::Other},
    {"DOS program without a PE signature", PeFile(0x80, 0x014C, "NE\0\0"), EProgramKind::Other},
    {"offset inside the DOS header", PeFile(0x20, 0x014C), EProgramKind::Other},
    {"offset past any real file", PeFile(0x7FFFFFF0, 0x014C), EProgramKind::Other},
    {"cut before the machine field", PeFile(0x80, 0x014C).substr(0, 0x83), EProgramKind::Other},
    {"cut inside the DOS header", std::string("MZ\x90\0", 4), EProgramKind::Other},
    {"ELF program",
     "\x7F"
     "ELF\2\1\1\0\0\0\0\0\0\0\0\0",
     EProgramKind::Other},
    {"shell script", "#!/bin/sh\nexec wine x.exe\n", EProgramKind::Other},
    {"empty file", "", EProgramKind::Other},
};

void PrintTo(const KindCase& c, std::ostream* os) {
    *os << c.name;
}

class ProgramKindTest : public testing::TestWithParam<KindCase> {};

}  // namespace

TEST_P(ProgramKindTest, IsReadFromTheFilesHeader) {
    CTempDir dir;
    const std::string path = dir.Str() + "/launcher.exe";
    WriteFile(path, GetParam().file);
    EXPECT_EQ(ReadProgramKind(path), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgramKindTest, testing::ValuesIn(kKindCases), CaseName<KindCase>);

TEST(ProgramKind, OfFilesThatCannotBeReadIsOther) {
    CTempDir dir;
    EXPECT_EQ(ReadProgramKind(dir.Str() + "/missing.exe"), EProgramKind::Other);
    EXPECT_EQ(ReadProgramKind(dir.Str()), EProgramKind::Other);
}

TEST(ProgramKind, OfTheBuiltHelpersIsTheirBitness) {
    EXPECT_EQ(ReadProgramKind(TEST_BINARY_DIR "/../start-in-wine-32.exe"), EProgramKind::Windows32);
    EXPECT_EQ(ReadProgramKind(TEST_BINARY_DIR "/../start-in-wine-64.exe"), EProgramKind::Windows64);
}

TEST(FindProgram, SearchesOnlyFullFoldersForExecutableFiles) {
    CTempDir dir;
    const std::string plain = dir.Str() + "/plain";
    const std::string runnable = dir.Str() + "/runnable";
    std::filesystem::create_directories(plain + "/wine");  // a folder is no program
    std::filesystem::create_directories(runnable);
    WriteFile(plain + "/umu-run", "#!/bin/sh\n");  // not executable
    WriteFile(runnable + "/umu-run", "#!/bin/sh\n");
    chmod((runnable + "/umu-run").c_str(), 0755);
    WriteFile(runnable + "/wine", "#!/bin/sh\n");
    chmod((runnable + "/wine").c_str(), 0755);

    const std::string path = "::relative:" + plain + ":" + runnable;
    EXPECT_EQ(FindProgram("umu-run", path), runnable + "/umu-run");
    EXPECT_EQ(FindProgram("wine", path), runnable + "/wine");
    EXPECT_EQ(FindProgram("wine", plain), "");
    EXPECT_EQ(FindProgram("wine", ""), "");
    EXPECT_EQ(FindProgram(runnable + "/wine", ""), runnable + "/wine");
    EXPECT_EQ(FindProgram(plain + "/umu-run", runnable), "");
    // The current folder, named by an empty or relative entry, is never
    // searched.
    CScopedChdir inRunnable(runnable);
    EXPECT_EQ(FindProgram("wine", ":.:runnable"), "");
}

TEST(FindWineRunner, TakesTheNamedRunnerOrWineAndTellsUmuApart) {
    CTempDir dir;
    for (const char* name : {"wine", "umu-run"}) {
        WriteFile(dir.Str() + "/" + name, "#!/bin/sh\n");
        chmod((dir.Str() + "/" + name).c_str(), 0755);
    }
    WineSettings settings{.searchPath = dir.Str()};
    EXPECT_EQ(FindWineRunner(settings).path, dir.Str() + "/wine");
    EXPECT_FALSE(FindWineRunner(settings).isUmu);
    settings.runner = "umu-run";
    EXPECT_EQ(FindWineRunner(settings).path, dir.Str() + "/umu-run");
    EXPECT_TRUE(FindWineRunner(settings).isUmu);
    settings.runner = dir.Str() + "/wine";
    EXPECT_EQ(FindWineRunner(settings).path, dir.Str() + "/wine");
    // A relative path would depend on the folder the program works in.
    CScopedChdir inDir(dir.Path());
    settings.runner = "./wine";
    EXPECT_EQ(FindWineRunner(settings).path, "");
    settings.runner = "proton-wine";
    EXPECT_EQ(FindWineRunner(settings).path, "");
}

TEST(WineSettings, ComeFromTheEnvironment) {
    setenv("THARNVALE_WINE", "/opt/proton/files/bin/wine", 1);
    unsetenv("THARNVALE_WINEPREFIX");
    unsetenv("SteamGameId");
    unsetenv("SteamAppId");
    WineSettings settings = WineSettingsFromEnvironment("/usr/libexec/x", "/home/p/.local/share");
    EXPECT_EQ(settings.runner, "/opt/proton/files/bin/wine");
    EXPECT_EQ(settings.prefix, "/home/p/.local/share/tharnvale-login-launcher/wine");
    EXPECT_EQ(HelperPath(settings, EProgramKind::Windows32), "/usr/libexec/x/start-in-wine-32.exe");
    EXPECT_EQ(HelperPath(settings, EProgramKind::Windows64), "/usr/libexec/x/start-in-wine-64.exe");
    EXPECT_FALSE(settings.waitForGameEnd);

    setenv("THARNVALE_WINEPREFIX", "/games/prefix", 1);
    setenv("SteamAppId", "0", 1);
    settings = WineSettingsFromEnvironment("/usr/libexec/x", "/home/p/.local/share");
    EXPECT_EQ(settings.prefix, "/games/prefix");
    EXPECT_TRUE(settings.waitForGameEnd);
    unsetenv("THARNVALE_WINE");
    unsetenv("THARNVALE_WINEPREFIX");
    unsetenv("SteamAppId");
}
