#include <gtest/gtest.h>
#include <windows.h>

#include "platform/os/file_operations.h"
#include "platform/os/os_services.h"
#include "platform/os/win32/wide_text.h"
#include "win32/win32_test_support.h"

namespace tamlo::os {
namespace {

using test::pathExists;
using test::readBytes;
using test::ScratchFolder;
using test::writeBytes;

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
