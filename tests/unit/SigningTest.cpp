// The publisher's signing command and the launcher's check agree: a file
// signed with tools/sign-launcher.sh passes VerifyEd25519 under the key the
// command printed, and nothing else does.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>

#include "platform/Ed25519.h"
#include "tests/support/TestSupport.h"

extern char** environ;

namespace {

// Runs the signing command with `args`; its standard output, or nullopt
// when it fails.
std::optional<std::string> RunSignCommand(const CTempDir& dir, std::vector<std::string> args) {
    const std::string out = (dir.Path() / "stdout").string();
    std::vector<std::string> argv{"/bin/bash", SIGN_LAUNCHER_SCRIPT};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (std::string& a : argv) {
        raw.push_back(a.data());
    }
    raw.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (error != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return ReadFile(out);
}

}  // namespace

TEST(SigningTest, FileSignedByThePublishersCommandPassesTheLaunchersCheck) {
    CTempDir dir;
    const std::string keyFile = (dir.Path() / "launcher-key.pem").string();
    const std::string file = (dir.Path() / "vuntek_qx_launch.exe").string();
    const std::string bytes =
        "\x7f"
        "ELF" +
        std::string(100000, '\x90');
    WriteFile(file, bytes);

    const std::optional<std::string> printed = RunSignCommand(dir, {"key", keyFile});
    ASSERT_TRUE(printed);
    const std::optional<Ed25519PublicKey> key =
        ParseEd25519PublicKey(printed->substr(0, printed->find('\n')));
    ASSERT_TRUE(key) << *printed;
    ASSERT_TRUE(RunSignCommand(dir, {"sign", keyFile, file}));
    const std::string signature = ReadFile(file + ".sig");
    ASSERT_EQ(signature.size(), kEd25519SignatureSize);

    EXPECT_TRUE(VerifyEd25519(*key, signature, bytes));
    EXPECT_TRUE(RunSignCommand(dir, {"verify", printed->substr(0, 64), file}));
    EXPECT_FALSE(VerifyEd25519(*key, signature, bytes + "x"));
    std::string flipped = signature;
    flipped[10] ^= 1;
    EXPECT_FALSE(VerifyEd25519(*key, flipped, bytes));
    EXPECT_FALSE(RunSignCommand(dir, {"key", keyFile})) << "an existing key was overwritten";
}

TEST(SigningTest, PublicKeyMustBeSixtyFourHexDigits) {
    EXPECT_TRUE(ParseEd25519PublicKey(std::string(64, 'a')));
    EXPECT_TRUE(ParseEd25519PublicKey(std::string(64, 'F')));
    EXPECT_FALSE(ParseEd25519PublicKey(std::string(63, 'a')));
    EXPECT_FALSE(ParseEd25519PublicKey(std::string(65, 'a')));
    EXPECT_FALSE(ParseEd25519PublicKey(std::string(62, 'a') + "g0"));
    EXPECT_FALSE(ParseEd25519PublicKey(""));
}
