#include <gtest/gtest.h>
#include <windows.h>

#include "platform/os/file_operations.h"
#include "platform/os/mapped_file.h"
#include "platform/os/os_services.h"
#include "platform/os/program_needs.h"
#include "platform/os/restart_marker.h"
#include "platform/os/win32/wide_text.h"
#include "win32/win32_test_support.h"

namespace tamlo::files {
namespace {

using test::pathExists;
using test::readBytes;
using test::ScratchFolder;
using test::writeBytes;

bool readOnly(const std::string& path) {
    DWORD attributes = GetFileAttributesW(win32::widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

void makeReadOnly(const std::string& path) {
    SetFileAttributesW(win32::widen(path).c_str(), FILE_ATTRIBUTE_READONLY);
}

TEST(Win32FileOperations, ReadOnlyFilesAreRemovedCopiedOverAndMovedOver) {
    ScratchFolder folder;
    const std::string locked = folder / "locked.txt";
    ASSERT_TRUE(writeBytes(locked, "old"));
    makeReadOnly(locked);
    ASSERT_TRUE(writeBytes(folder / "source.txt", "new"));
    EXPECT_TRUE(copyFile(folder / "source.txt", locked));
    EXPECT_EQ(readBytes(locked), "new");
    EXPECT_FALSE(copyFile(locked, folder / "./locked.txt"));  // onto itself
    EXPECT_EQ(readBytes(locked), "new");
    EXPECT_FALSE(copyFile(folder / "missing", folder / "x"));

    ASSERT_TRUE(writeBytes(folder / "moving.txt", "moved"));
    EXPECT_TRUE(moveFile(folder / "moving.txt", folder / "source.txt"));
    EXPECT_EQ(readBytes(folder / "source.txt"), "moved");
    EXPECT_FALSE(pathExists(folder / "moving.txt"));

    makeReadOnly(locked);
    EXPECT_TRUE(removeFile(locked));
    EXPECT_FALSE(pathExists(locked));
    EXPECT_FALSE(removeFile(folder.path()));  // a folder is refused
    EXPECT_TRUE(pathExists(folder.path()));
    // No temporary copy is left behind.
    EXPECT_EQ(os::listFiles(folder.path(), "*"), std::vector<std::string>{folder / "source.txt"});
}

TEST(Win32FileOperations, FoldersAreMadeWithTheirParentsAndJudgedEmpty) {
    ScratchFolder folder;
    std::string slashed = folder.path() + "//a/b\\\\c/";
    EXPECT_EQ(normalizeSeparators("C:/x/y"), "C:\\x\\y");
    createDirectory(slashed);
    EXPECT_TRUE(pathExists(folder / "a\\b\\c"));
    EXPECT_TRUE(directoryEmpty(folder / "a\\b\\c"));
    EXPECT_TRUE(directoryEmpty(folder / "nothing-here"));
    EXPECT_FALSE(directoryEmpty(folder / "a"));
    ASSERT_TRUE(writeBytes(folder / "file", "x"));
    EXPECT_FALSE(directoryEmpty(folder / "file"));
    EXPECT_TRUE(fileExists(folder / "file"));
    EXPECT_FALSE(fileExists(folder / "a"));
    removeDirectory(folder.path() + "/a/");
    EXPECT_FALSE(pathExists(folder / "a"));
}

TEST(Win32ReplacingFile, TheTargetHoldsTheOldFileUntilCommit) {
    ScratchFolder folder;
    const std::string target = folder / "product.dll";
    ASSERT_TRUE(writeBytes(target, "old content"));
    makeReadOnly(target);
    {
        ReplacingFile file;
        ASSERT_TRUE(file.open(target));
        const std::string bytes = "new content, longer";
        ASSERT_TRUE(file.write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        EXPECT_EQ(readBytes(target), "old content");
        ASSERT_TRUE(file.seek(3));
        ASSERT_TRUE(file.truncateHere());
        uint64_t at = 0;
        ASSERT_TRUE(file.position(&at));
        EXPECT_EQ(at, 3u);
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(readBytes(target), "new");
    {
        ReplacingFile abandoned;
        ASSERT_TRUE(abandoned.open(target, 0444));
        ASSERT_TRUE(abandoned.write(reinterpret_cast<const uint8_t*>("zz"), 2));
    }
    EXPECT_EQ(readBytes(target), "new");
    ReplacingFile readOnlyCopy;
    ASSERT_TRUE(readOnlyCopy.open(folder / "ro.txt", 0444));
    ASSERT_TRUE(readOnlyCopy.write(reinterpret_cast<const uint8_t*>("r"), 1));
    ASSERT_TRUE(readOnlyCopy.commit());
    EXPECT_TRUE(readOnly(folder / "ro.txt"));
    EXPECT_EQ(os::listFiles(folder.path(), "*"),
              (std::vector<std::string>{folder / "product.dll", folder / "ro.txt"}));
    ReplacingFile onFolder;
    EXPECT_FALSE(onFolder.open(folder.path()));
}

TEST(Win32MappedFile, MapsTheWholeFileAndSurvivesDroppedPages) {
    ScratchFolder folder;
    std::string bytes(3 * 65536 + 17, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7);
    }
    ASSERT_TRUE(writeBytes(folder / "data.bin", bytes));
    ASSERT_TRUE(writeBytes(folder / "empty.bin", ""));
    platform::MappedFile mapped;
    std::string error;
    ASSERT_TRUE(mapped.open(folder / "data.bin", &error)) << error;
    ASSERT_EQ(mapped.size(), bytes.size());
    mapped.adviseSequential();
    mapped.dropPages(1, 2 * 65536);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mapped.data()), mapped.size()), bytes);
    platform::MappedFile empty;
    EXPECT_TRUE(empty.open(folder / "empty.bin", &error));
    EXPECT_EQ(empty.size(), 0u);
    platform::MappedFile none;
    EXPECT_FALSE(none.open(folder / "missing.bin", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(none.open(folder.path(), &error));
}

TEST(Win32ProgramNeeds, TheTestProgramImportsTheKernel) {
    std::vector<std::string> names;
    std::string error;
    ASSERT_TRUE(os::neededLibraries(os::executablePath(), &names, &error)) << error;
    bool kernel = false;
    for (const std::string& name : names) {
        kernel = kernel || os::equalsIgnoringCase(name, "kernel32.dll");
    }
    EXPECT_TRUE(kernel);
    ScratchFolder folder;
    ASSERT_TRUE(writeBytes(folder / "fake.exe", std::string("MZ") + std::string(200, '\xff')));
    EXPECT_FALSE(os::neededLibraries(folder / "fake.exe", &names, &error));
}

TEST(Win32RestartMarker, AMarkerOfThisBootBlocksAndAStaleOneGoes) {
    ScratchFolder folder;
    test::ScopedVariable tmp(L"TMP", folder.path());
    test::ScopedVariable temp(L"TEMP", folder.path());
    ASSERT_EQ(os::tempPath(), folder.path() + "\\");
    EXPECT_FALSE(platform::pendingRebootCheck());
    platform::markRestart();
    std::array<uint8_t, 8> now = os::bootTimeBytes();
    EXPECT_EQ(readBytes(platform::restartMarkerPath()),
              std::string(reinterpret_cast<const char*>(now.data()), now.size()));
    EXPECT_TRUE(platform::pendingRebootCheck());
    EXPECT_TRUE(pathExists(platform::restartMarkerPath()));
    std::string stale(reinterpret_cast<const char*>(now.data()), now.size());
    stale[0] = static_cast<char>(stale[0] ^ 1);
    ASSERT_TRUE(writeBytes(platform::restartMarkerPath(), stale));
    EXPECT_FALSE(platform::pendingRebootCheck());
    EXPECT_FALSE(pathExists(platform::restartMarkerPath()));
}

}  // namespace
}  // namespace tamlo::files
