// The folders that hold the login session must not be readable by others.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/PrivateDirectory.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

mode_t ModeOf(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

}  // namespace

TEST(PrivateDirectory, IsCreatedWithItsParentsForTheOwnerOnlyWhateverTheUmask) {
    CTempDir top;
    const mode_t old = umask(0);
    const bool made = MakePrivateDirectory((top.Path() / "a/b/c").string());
    umask(old);
    ASSERT_TRUE(made);
    EXPECT_EQ(ModeOf(top.Path() / "a"), 0700u);
    EXPECT_EQ(ModeOf(top.Path() / "a/b/c"), 0700u);
}

TEST(PrivateDirectory, ExistingOpenDirectoryIsClosedToOthers) {
    CTempDir top;
    fs::create_directory(top.Path() / "data");
    chmod((top.Path() / "data").c_str(), 0755);
    EXPECT_TRUE(MakePrivateDirectory((top.Path() / "data").string()));
    EXPECT_EQ(ModeOf(top.Path() / "data"), 0700u);
}

TEST(PrivateDirectory, LinkOrAnotherUsersDirectoryIsRefusedAndLeftAlone) {
    CTempDir top;
    fs::create_directory(top.Path() / "elsewhere");
    chmod((top.Path() / "elsewhere").c_str(), 0755);
    fs::create_directory_symlink(top.Path() / "elsewhere", top.Path() / "link");
    EXPECT_FALSE(MakePrivateDirectory((top.Path() / "link").string()));
    EXPECT_EQ(ModeOf(top.Path() / "elsewhere"), 0755u);

    fs::create_directory(top.Path() / "theirs");
    chmod((top.Path() / "theirs").c_str(), 0755);
    if (chown((top.Path() / "theirs").c_str(), geteuid() + 1, getegid()) != 0) {
        GTEST_SKIP() << "cannot give a directory away here";
    }
    EXPECT_FALSE(MakePrivateDirectory((top.Path() / "theirs").string()));
    EXPECT_EQ(ModeOf(top.Path() / "theirs"), 0755u);
}
