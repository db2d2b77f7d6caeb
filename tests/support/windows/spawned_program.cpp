// A sleeping child on Windows: a copy of this test program, started so that it runs only its
// sleeping helper test (Win32SleepHelper in tests/win32/processes_test.cpp).
#include "support/spawned_program.h"

#include <windows.h>

#include <filesystem>

#include "platform/os/os_services.h"
#include "platform/os/win32/wide_text.h"

namespace tamlo::test {
namespace {

constexpr DWORD kKilledExitCode = static_cast<DWORD>(-8);

// Until the child shows in the process list, a kill by name could miss it.
void waitUntilListed(int pid) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        for (const os::ProcessInfo& process : os::listProcesses()) {
            if (process.pid == pid) {
                return;
            }
        }
        Sleep(25);
    }
}

}  // namespace

SpawnedProgram::SpawnedProgram(const std::string& path) : path_(path) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::u8path(path).parent_path(), error);
    if (!CopyFileW(win32::widen(os::executablePath()).c_str(), win32::widen(path).c_str(), FALSE)) {
        return;
    }
    SetEnvironmentVariableW(L"TAMLO_TEST_SLEEP_MS", L"300000");
    std::wstring commandLine = L"\"" + win32::widen(path) + L"\" --gtest_filter=Win32SleepHelper.*";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &child);
    SetEnvironmentVariableW(L"TAMLO_TEST_SLEEP_MS", nullptr);
    if (!started) {
        return;
    }
    CloseHandle(child.hThread);
    process_ = child.hProcess;
    pid_ = static_cast<int>(child.dwProcessId);
    waitUntilListed(pid_);
}

SpawnedProgram::~SpawnedProgram() {
    if (process_ != nullptr) {
        if (!reaped_) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 10000);
        }
        CloseHandle(process_);
    }
}

bool SpawnedProgram::running() const {
    return process_ != nullptr && !reaped_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool SpawnedProgram::diedOfKill() {
    if (process_ == nullptr || reaped_ || WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) {
        return false;
    }
    reaped_ = true;
    DWORD code = 0;
    return GetExitCodeProcess(process_, &code) && code == kKilledExitCode;
}

}  // namespace tamlo::test
