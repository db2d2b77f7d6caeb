#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include <string>
#include <vector>

#include "platform/os/os_services.h"
#include "support/test_environment.h"

namespace tamlo {
namespace {

bool exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// Root ignores permissions, so a suite run as root would prove nothing about
// read-only entries: the body then runs in a child that has dropped to "nobody".
bool asUnprivilegedUser(const std::string& dir, const std::function<bool()>& body) {
    if (geteuid() != 0) {
        return body();
    }
    // Let the unprivileged child reach its folder below the private test root.
    for (std::string path = dir; path.size() > test::isolatedRoot().size();
         path = path.substr(0, path.rfind('/'))) {
        chmod(path.c_str(), 0777);
    }
    chmod(test::isolatedRoot().c_str(), 0711);
    pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) {
            _exit(2);
        }
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    chmod(test::isolatedRoot().c_str(), 0700);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(OsListFiles, PlainFilesMatchingThePatternSortedByName) {
    std::string dir = test::makeTempDir("list");
    test::writeFile(dir + "/b.exe", "b");
    test::writeFile(dir + "/a.exe", "a");
    test::writeFile(dir + "/C.EXE", "c");
    test::writeFile(dir + "/notes.txt", "n");
    test::writeFile(dir + "/sub.exe/inner.exe", "folder named like a match");
    ASSERT_EQ(symlink((dir + "/a.exe").c_str(), (dir + "/link.exe").c_str()), 0);

    std::vector<std::string> expected{dir + "/C.EXE", dir + "/a.exe", dir + "/b.exe"};
    EXPECT_EQ(os::listFiles(dir, "*.exe"), expected);
    EXPECT_EQ(os::listFiles(dir + "/", "*.exe"), expected);
}

TEST(OsDeleteTree, RemovesNestedFoldersAndReadOnlyEntries) {
    std::string root = test::makeTempDir("tree") + "/Profile";
    test::writeFile(root + "/top.txt", "x");
    test::writeFile(root + "/a/b/c/deep.bin", "x");
    test::writeFile(root + "/locked/readonly.txt", "x");
    test::writeFile(root + "/sealed/inner/f", "x");
    ASSERT_EQ(chmod((root + "/locked/readonly.txt").c_str(), 0400), 0);
    ASSERT_EQ(chmod((root + "/locked").c_str(), 0500), 0);
    ASSERT_EQ(chmod((root + "/sealed").c_str(), 0000), 0);
    ASSERT_EQ(chmod((root + "/top.txt").c_str(), 0444), 0);

    os::deleteTree(root);
    EXPECT_FALSE(exists(root));
}

TEST(OsDeleteTree, ReadOnlyFilesAndFoldersGoForAnOrdinaryUser) {
    std::string dir = test::makeTempDir("unprivileged");
    bool deleted = asUnprivilegedUser(dir, [&] {
        std::string root = dir + "/Profile";
        if (!test::writeFile(root + "/locked/readonly.txt", "x") ||
            !test::writeFile(root + "/sealed/inner/f", "x") ||
            !test::writeFile(root + "/unlisted/g", "x")) {
            return false;
        }
        chmod((root + "/locked/readonly.txt").c_str(), 0400);
        chmod((root + "/locked").c_str(), 0500);
        chmod((root + "/sealed").c_str(), 0000);
        chmod((root + "/unlisted").c_str(), 0300);
        chmod(root.c_str(), 0500);
        os::deleteTree(root);
        return !exists(root);
    });
    EXPECT_TRUE(deleted);
}

TEST(OsDeleteTree, NeverFollowsALinkOutOfTheFolder) {
    std::string base = test::makeTempDir("links");
    std::string outside = base + "/outside";
    test::writeFile(outside + "/precious.txt", "keep");
    test::writeFile(base + "/single.txt", "keep too");
    std::string root = base + "/Profile";
    test::writeFile(root + "/codecs/x.exe", "x");
    ASSERT_EQ(symlink(outside.c_str(), (root + "/dirlink").c_str()), 0);
    ASSERT_EQ(symlink((base + "/single.txt").c_str(), (root + "/codecs/filelink").c_str()), 0);
    ASSERT_EQ(symlink("/nonexistent/target", (root + "/dangling").c_str()), 0);

    os::deleteTree(root);
    EXPECT_FALSE(exists(root));
    EXPECT_EQ(test::readFile(outside + "/precious.txt"), "keep");
    EXPECT_EQ(test::readFile(base + "/single.txt"), "keep too");
}

TEST(OsDeleteTree, AFolderThatIsItselfALinkLosesOnlyTheLink) {
    std::string base = test::makeTempDir("toplink");
    test::writeFile(base + "/real/data.txt", "keep");
    ASSERT_EQ(symlink((base + "/real").c_str(), (base + "/Profile").c_str()), 0);

    os::deleteTree(base + "/Profile/");
    EXPECT_FALSE(exists(base + "/Profile"));
    EXPECT_EQ(test::readFile(base + "/real/data.txt"), "keep");
}

TEST(OsDeleteTree, AMissingFolderOrAnEmptyPathDeletesNothing) {
    std::string base = test::makeTempDir("missing");
    test::writeFile(base + "/keep.txt", "keep");
    os::deleteTree(base + "/never/was");
    EXPECT_FALSE(exists(base + "/never"));
    EXPECT_EQ(test::readFile(base + "/keep.txt"), "keep");
    // An empty path never resolves to the current folder.
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(base.c_str()), 0);
    os::deleteTree("");
    EXPECT_EQ(test::readFile(base + "/keep.txt"), "keep");
    ASSERT_EQ(chdir(previous), 0);
}

}  // namespace
}  // namespace tamlo
