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

}  // namespace
}  // namespace tamlo::files
