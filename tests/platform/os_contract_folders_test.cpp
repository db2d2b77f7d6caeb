// The OS contract for folders, built into the Linux and the Windows test programs alike.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/file_operations.h"
#include "platform/os/os_services.h"
#include "support/os_contract.h"
#include "support/test_environment.h"

namespace tamlo::files {
namespace {

using test::inFolder;

TEST(OsContractFolders, CreateMakesEveryParentIgnoringDoubledAndTrailingSeparators) {
    const std::string dir = test::contractFolder("create");
    createDirectory(dir + "/a//b/");
    EXPECT_TRUE(directoryEmpty(inFolder(dir, "a/b")));
    EXPECT_TRUE(test::pathExists(inFolder(dir, "a/b")));
    createDirectory(dir + "\\c\\\\d\\e\\");
    EXPECT_TRUE(test::pathExists(inFolder(dir, "c/d/e")));
    createDirectory(dir + "/a/b");  // already there: nothing happens
    EXPECT_TRUE(test::pathExists(inFolder(dir, "a/b")));
    EXPECT_FALSE(directoryEmpty(inFolder(dir, "a")));
}

TEST(OsContractFolders, ExistenceAndEmptiness) {
    const std::string dir = test::contractFolder("query");
    EXPECT_FALSE(fileExists(dir));
    EXPECT_FALSE(fileExists(inFolder(dir, "missing")));
    EXPECT_TRUE(directoryEmpty(dir));
    EXPECT_TRUE(directoryEmpty(inFolder(dir, "missing")));

    ASSERT_TRUE(test::writeFile(inFolder(dir, "f"), ""));
    EXPECT_TRUE(fileExists(inFolder(dir, "f")));
    EXPECT_FALSE(directoryEmpty(dir));
    EXPECT_FALSE(directoryEmpty(inFolder(dir, "f")));  // a file is not an empty folder
}

TEST(OsContractFolders, RemoveTakesReadOnlyEntriesAndRefusesAnEmptyPath) {
    const std::string dir = test::contractFolder("doomed");
    ASSERT_TRUE(test::writeFile(inFolder(dir, "x/sub/file.txt"), "x"));
    ASSERT_TRUE(test::writeFile(inFolder(dir, "x/locked/inner.txt"), "x"));
    test::makeReadOnly(inFolder(dir, "x/locked/inner.txt"));
    test::makeReadOnly(inFolder(dir, "x/locked"));
    ASSERT_TRUE(test::writeFile(inFolder(dir, "kept.txt"), "x"));

    removeDirectory(dir + "\\x\\");
    EXPECT_FALSE(test::pathExists(inFolder(dir, "x")));
    removeDirectory("");  // never the current folder
    EXPECT_TRUE(test::pathExists(inFolder(dir, "kept.txt")));
}

// Matching ignores case; the result is sorted by the names' bytes.
TEST(OsContractFolders, ListFilesGivesMatchingPlainFilesSortedByName) {
    const std::string dir = test::contractFolder("list");
    ASSERT_TRUE(test::writeFile(inFolder(dir, "b.exe"), "b"));
    ASSERT_TRUE(test::writeFile(inFolder(dir, "a.exe"), "a"));
    ASSERT_TRUE(test::writeFile(inFolder(dir, "C.EXE"), "c"));
    ASSERT_TRUE(test::writeFile(inFolder(dir, "notes.txt"), "n"));
    ASSERT_TRUE(test::writeFile(inFolder(dir, "e.exe.bak"), "e"));
    ASSERT_TRUE(test::writeFile(inFolder(dir, "sub.exe/inner.exe"), "a folder named like a match"));

    const std::vector<std::string> expected{inFolder(dir, "C.EXE"), inFolder(dir, "a.exe"),
                                            inFolder(dir, "b.exe")};
    EXPECT_EQ(os::listFiles(dir, "*.exe"), expected);
    EXPECT_EQ(os::listFiles(inFolder(dir, ""), "*.exe"), expected);
    EXPECT_EQ(os::listFiles(dir, "?otes.tx[a-z]"),
              std::vector<std::string>{inFolder(dir, "notes.txt")});
    EXPECT_TRUE(os::listFiles(inFolder(dir, "absent"), "*").empty());
    EXPECT_TRUE(os::listFiles("", "*").empty());
}

TEST(OsContractFolders, DeleteTreeRemovesNestedReadOnlyEntries) {
    const std::string root = inFolder(test::contractFolder("tree"), "Profile");
    ASSERT_TRUE(test::writeFile(inFolder(root, "top.txt"), "x"));
    ASSERT_TRUE(test::writeFile(inFolder(root, "a/b/c/deep.bin"), "x"));
    ASSERT_TRUE(test::writeFile(inFolder(root, "locked/readonly.txt"), "x"));
    test::makeReadOnly(inFolder(root, "locked/readonly.txt"));
    test::makeReadOnly(inFolder(root, "locked"));
    test::makeReadOnly(inFolder(root, "top.txt"));

    os::deleteTree(root);
    EXPECT_FALSE(test::pathExists(root));
    os::deleteTree(root);  // nothing left: nothing happens
    os::deleteTree("");
    EXPECT_FALSE(test::pathExists(root));
}

}  // namespace
}  // namespace tamlo::files
