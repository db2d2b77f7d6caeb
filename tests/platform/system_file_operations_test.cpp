#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>

#include "platform/os/file_operations.h"
#include "support/test_environment.h"

namespace tamlo::files {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

TEST(RemoveFile, RemovesALinkWithoutTouchingItsTarget) {
    std::string dir = test::makeTempDir("remove");
    std::string target = dir + "/target";
    ASSERT_TRUE(test::writeFile(target, "keep"));
    chmod(target.c_str(), 0444);
    fs::create_symlink(target, dir + "/link");

    EXPECT_TRUE(removeFile(dir + "/link"));
    EXPECT_EQ(test::readFile(target), "keep");
    EXPECT_EQ(modeOf(target), 0444u);
}

TEST(RemoveDirectory, RemovesLinksInsideButNeverFollowsThem) {
    std::string outside = test::makeTempDir("outside");
    ASSERT_TRUE(test::writeFile(outside + "/precious.txt", "keep"));
    std::string dir = test::makeTempDir("doomed");
    ASSERT_TRUE(test::writeFile(dir + "/sub/file.txt", "x"));
    fs::create_directory_symlink(outside, dir + "/sub/folder-link");
    fs::create_symlink(outside + "/precious.txt", dir + "/file-link");
    ASSERT_TRUE(test::writeFile(dir + "/locked/inner.txt", "x"));
    chmod((dir + "/locked/inner.txt").c_str(), 0444);
    chmod((dir + "/locked").c_str(), 0555);

    removeDirectory(dir);

    EXPECT_FALSE(fs::exists(fs::symlink_status(dir)));
    EXPECT_EQ(test::readFile(outside + "/precious.txt"), "keep");
}

TEST(CopyFile, OverwritesAndKeepsPermissionBits) {
    std::string dir = test::makeTempDir("copy");
    ASSERT_TRUE(test::writeFile(dir + "/tool", "#!/bin/sh\n"));
    chmod((dir + "/tool").c_str(), 0751);
    ASSERT_TRUE(test::writeFile(dir + "/copy", "old content that is longer"));

    EXPECT_TRUE(copyFile(dir + "/tool", dir + "/copy"));
    EXPECT_EQ(test::readFile(dir + "/copy"), "#!/bin/sh\n");
    EXPECT_EQ(modeOf(dir + "/copy"), 0751u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);

    EXPECT_FALSE(copyFile(dir + "/missing", dir + "/other"));
    EXPECT_FALSE(fs::exists(dir + "/other"));
}

TEST(MoveFile, CopiesAcrossFileSystems) {
    std::string dir = test::makeTempDir("move");
    struct stat here;
    struct stat shm;
    if (stat(dir.c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev ||
        access("/dev/shm", W_OK) != 0) {
        GTEST_SKIP() << "no second file system to move to";
    }
    std::string other = "/dev/shm/tamlo-move-test-" + std::to_string(getpid());
    ASSERT_TRUE(test::writeFile(dir + "/from", "payload"));
    chmod((dir + "/from").c_str(), 0700);
    EXPECT_TRUE(moveFile(dir + "/from", other));
    EXPECT_EQ(test::readFile(other), "payload");
    EXPECT_EQ(modeOf(other), 0700u);
    EXPECT_FALSE(fs::exists(dir + "/from"));
    EXPECT_TRUE(moveFile(other, dir + "/back"));
    EXPECT_FALSE(fs::exists(other));
}

}  // namespace
}  // namespace tamlo::files
