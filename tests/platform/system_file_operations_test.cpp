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

TEST(RemoveFile, DeletesAReadOnlyFileAndRefusesWhatIsNotThere) {
    std::string dir = test::makeTempDir("remove");
    std::string file = dir + "/readonly.txt";
    ASSERT_TRUE(test::writeFile(file, "data"));
    chmod(file.c_str(), 0444);

    EXPECT_TRUE(removeFile(file));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(removeFile(file));
    EXPECT_FALSE(removeFile(dir + "/never-was"));
    EXPECT_FALSE(removeFile(dir));  // a folder is not a file
    EXPECT_TRUE(fs::is_directory(dir));
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

TEST(CreateDirectory, IgnoresDoubledAndTrailingSeparatorsAndTakesBackslashes) {
    std::string dir = test::makeTempDir("create");
    createDirectory(dir + "/a//b/");
    EXPECT_TRUE(fs::is_directory(dir + "/a/b"));

    createDirectory(dir + "\\c\\\\d\\e");
    EXPECT_TRUE(fs::is_directory(dir + "/c/d/e"));
    EXPECT_FALSE(fs::exists(dir + "\\c"));  // no file name with a backslash in it

    createDirectory(dir + "/a/b");  // already there: nothing happens
    EXPECT_TRUE(fs::is_directory(dir + "/a/b"));
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

TEST(RemoveDirectory, TakesBackslashesAndRefusesAnEmptyPath) {
    std::string dir = test::makeTempDir("doomed");
    ASSERT_TRUE(test::writeFile(dir + "/x/y.txt", "x"));
    removeDirectory(dir + "\\x\\");
    EXPECT_FALSE(fs::exists(dir + "/x"));

    // An empty path must not mean "the current folder".
    char saved[PATH_MAX];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    ASSERT_TRUE(test::writeFile(dir + "/kept.txt", "x"));
    ASSERT_EQ(chdir(dir.c_str()), 0);
    removeDirectory("");
    EXPECT_TRUE(fs::exists(dir + "/kept.txt"));
    ASSERT_EQ(chdir(saved), 0);
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

TEST(CopyFile, OntoItselfFailsAndLosesNothing) {
    std::string dir = test::makeTempDir("copy");
    ASSERT_TRUE(test::writeFile(dir + "/file", "content"));
    EXPECT_FALSE(copyFile(dir + "/file", dir + "/file"));
    EXPECT_FALSE(copyFile(dir + "/file", dir + "/./file"));
    EXPECT_EQ(test::readFile(dir + "/file"), "content");
}

TEST(MoveFile, ReplacesAnExistingTarget) {
    std::string dir = test::makeTempDir("move");
    ASSERT_TRUE(test::writeFile(dir + "/from", "new"));
    ASSERT_TRUE(test::writeFile(dir + "/to", "old"));
    EXPECT_TRUE(moveFile(dir + "/from", dir + "/to"));
    EXPECT_EQ(test::readFile(dir + "/to"), "new");
    EXPECT_FALSE(fs::exists(dir + "/from"));
    EXPECT_FALSE(moveFile(dir + "/from", dir + "/to"));
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

TEST(FileQueries, ExistenceAndEmptiness) {
    std::string dir = test::makeTempDir("query");
    EXPECT_FALSE(fileExists(dir));
    EXPECT_FALSE(fileExists(dir + "/missing"));
    EXPECT_TRUE(directoryEmpty(dir));
    EXPECT_TRUE(directoryEmpty(dir + "/missing"));

    ASSERT_TRUE(test::writeFile(dir + "/f", ""));
    EXPECT_TRUE(fileExists(dir + "/f"));
    EXPECT_FALSE(directoryEmpty(dir));
    EXPECT_FALSE(directoryEmpty(dir + "/f"));  // a file is not an empty folder
}

}  // namespace
}  // namespace tamlo::files
