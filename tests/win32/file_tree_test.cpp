#include <gtest/gtest.h>
#include <windows.h>

#include "platform/os/file_operations.h"
#include "platform/os/os_services.h"
#include "platform/win32/name_pattern.h"
#include "platform/win32/wide_text.h"
#include "win32/win32_test_support.h"

namespace tamlo::os {
namespace {

using test::pathExists;
using test::readBytes;
using test::ScratchFolder;
using test::writeBytes;

TEST(Win32NamePattern, MatchesAsAFileSearchDoes) {
    using win32::nameMatches;
    EXPECT_TRUE(nameMatches(L"*.exe", L"Setup.EXE"));
    EXPECT_TRUE(nameMatches(L"*.exe", L".exe"));
    EXPECT_FALSE(nameMatches(L"*.exe", L"setup.exe.txt"));
    EXPECT_TRUE(nameMatches(L"a*b*c", L"aXbYbZc"));
    EXPECT_FALSE(nameMatches(L"a*b*c", L"aXbYbZ"));
    EXPECT_TRUE(nameMatches(L"?.txt", L"x.TXT"));
    EXPECT_FALSE(nameMatches(L"?.txt", L"xy.txt"));
    EXPECT_TRUE(nameMatches(L"[a-c]1", L"B1"));
    EXPECT_FALSE(nameMatches(L"[!a-c]1", L"b1"));
    EXPECT_TRUE(nameMatches(L"[!a-c]1", L"d1"));
    EXPECT_TRUE(nameMatches(L"[]]", L"]"));
    EXPECT_TRUE(nameMatches(L"x[", L"x["));  // an unclosed set is a plain '['
    EXPECT_TRUE(nameMatches(L"\\*", L"*"));
    EXPECT_FALSE(nameMatches(L"\\*", L"a"));
    EXPECT_TRUE(nameMatches(L"ÉTÉ*", L"été.doc"));
    EXPECT_TRUE(nameMatches(L"*", L""));
    EXPECT_FALSE(nameMatches(L"?", L""));
}

TEST(Win32ListFiles, ListsMatchingPlainFilesSortedWithBackslashes) {
    ScratchFolder folder;
    ASSERT_TRUE(writeBytes(folder / "b.exe", "b"));
    ASSERT_TRUE(writeBytes(folder / "A.EXE", "a"));
    ASSERT_TRUE(writeBytes(folder / "c.txt", "c"));
    ASSERT_TRUE(CreateDirectoryW(win32::widen(folder / "d.exe").c_str(), nullptr));
    std::vector<std::string> found = listFiles(folder.path() + "\\", "*.exe");
    EXPECT_EQ(found, (std::vector<std::string>{folder / "A.EXE", folder / "b.exe"}));
    EXPECT_TRUE(listFiles(folder / "missing", "*").empty());
}

TEST(Win32DeleteTree, RemovesReadOnlyEntriesAndNeverFollowsALink) {
    ScratchFolder outside;
    ASSERT_TRUE(writeBytes(outside / "precious.txt", "keep me"));
    ScratchFolder tree;
    const std::string inner = tree / "inner";
    ASSERT_TRUE(CreateDirectoryW(win32::widen(inner).c_str(), nullptr));
    ASSERT_TRUE(writeBytes(inner + "\\locked.txt", "x"));
    ASSERT_TRUE(
        SetFileAttributesW(win32::widen(inner + "\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesW(win32::widen(inner).c_str(), FILE_ATTRIBUTE_READONLY));
    const bool linked = CreateSymbolicLinkW(win32::widen(tree / "link").c_str(),
                                            win32::widen(outside.path()).c_str(),
                                            SYMBOLIC_LINK_FLAG_DIRECTORY) != 0;

    deleteTree(tree.path());
    EXPECT_FALSE(pathExists(tree.path()));
    EXPECT_EQ(readBytes(outside / "precious.txt"), "keep me");
    if (!linked) {
        GTEST_SKIP() << "this system cannot make a directory link; the link half was not run";
    }
}

}  // namespace
}  // namespace tamlo::os
