#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

#include "platform/os/os_services.h"
#include "platform/os/process_control.h"
#include "platform/os/win32/wide_text.h"
#include "win32/win32_test_support.h"

namespace tamlo::os {
namespace {

// A child is a copy of this test program under a name of its own, running only the
// helper below, which sleeps when asked to. Nothing else on the machine has that name.
TEST(Win32SleepHelper, SleepsWhenAsked) {
    const char* sleep = std::getenv("TAMLO_TEST_SLEEP_MS");
    if (sleep == nullptr) {
        GTEST_SKIP() << "only a helper for the process tests";
    }
    Sleep(static_cast<DWORD>(std::atoi(sleep)));
}

class Win32Processes : public testing::Test {
  protected:
    void SetUp() override {
        image_ = folder_ / ("tamlo-sleeper-" + std::to_string(GetCurrentProcessId()) + ".exe");
        ASSERT_TRUE(
            CopyFileW(win32::widen(executablePath()).c_str(), win32::widen(image_).c_str(), FALSE));
    }
    void TearDown() override {
        for (PROCESS_INFORMATION& child : children_) {
            TerminateProcess(child.hProcess, 1);  // only when a test failed to end it
            WaitForSingleObject(child.hProcess, 10000);
            CloseHandle(child.hProcess);
            CloseHandle(child.hThread);
        }
    }
    HANDLE start() {
        test::ScopedVariable sleep(L"TAMLO_TEST_SLEEP_MS", "60000");
        std::wstring commandLine =
            L"\"" + win32::widen(image_) + L"\" --gtest_filter=Win32SleepHelper.*";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &child)) {
            return nullptr;
        }
        children_.push_back(child);
        return child.hProcess;
    }
    // Waits until the child shows in the process list with its image path.
    bool listed(DWORD pid) {
        for (int attempt = 0; attempt < 200; ++attempt) {
            for (const ProcessInfo& process : listProcesses()) {
                if (process.pid == static_cast<int>(pid)) {
                    return equalsIgnoringCase(process.imagePath, image_) &&
                           equalsIgnoringCase(process.imageName, name());
                }
            }
            Sleep(50);
        }
        return false;
    }
    std::string name() const { return image_.substr(image_.rfind('\\') + 1); }
    static DWORD exitCodeOf(HANDLE process) {
        DWORD code = STILL_ACTIVE;
        WaitForSingleObject(process, 10000);
        GetExitCodeProcess(process, &code);
        return code;
    }

    test::ScratchFolder folder_;
    std::string image_;
    std::vector<PROCESS_INFORMATION> children_;
};

TEST_F(Win32Processes, KillingByPathAndByFolderEndsEveryCopy) {
    HANDLE first = start();
    HANDLE second = start();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(listed(GetProcessId(first)));
    ASSERT_TRUE(listed(GetProcessId(second)));
    // By folder one process per program goes; by path the other.
    std::string folder = folder_.path();
    for (char& c : folder) {
        c = c == '\\' ? '/' : c;
    }
    processes::killProcessesInFolder(folder);
    const bool firstGone = WaitForSingleObject(first, 0) == WAIT_OBJECT_0;
    const bool secondGone = WaitForSingleObject(second, 0) == WAIT_OBJECT_0;
    EXPECT_NE(firstGone, secondGone);
    EXPECT_EQ(killProcessesByImagePath(image_, 10000), 1);
    EXPECT_EQ(exitCodeOf(first), static_cast<DWORD>(-8));
    EXPECT_EQ(exitCodeOf(second), static_cast<DWORD>(-8));
}

}  // namespace
}  // namespace tamlo::os
