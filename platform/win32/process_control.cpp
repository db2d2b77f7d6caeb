#include "platform/os/process_control.h"

#include <windows.h>

#include "platform/os/file_operations.h"
#include "platform/os/os_services.h"
#include "platform/win32/process_handles.h"
#include "platform/win32/wide_text.h"

namespace tamlo::processes {
namespace {

constexpr const char* kDaemonImage = "orvmon.exe";

// Image paths come back absolute with '\': a folder given with '/', "." or ".." in it
// must still find its programs.
std::string fullPath(const std::string& path) {
    std::wstring wide = win32::widen(path);
    wchar_t buffer[MAX_PATH];
    DWORD length = GetFullPathNameW(wide.c_str(), MAX_PATH, buffer, nullptr);
    return length > 0 && length < MAX_PATH ? win32::narrow(std::wstring_view(buffer, length))
                                           : path;
}

}  // namespace

void killProcessesByPath(const std::string& path) {
    os::killProcessesByImagePath(path, kTerminateWaitMs);
}

bool isProcessRunning(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    for (const os::ProcessInfo& process : os::listProcesses()) {
        if (os::equalsIgnoringCase(process.imagePath, path)) {
            return true;
        }
    }
    return false;
}

void killProcessesInFolder(const std::string& folder) {
    std::string base = files::normalizeSeparators(folder);
    if (base.empty()) {
        return;
    }
    if (base.back() != '\\') {
        base += '\\';
    }
    const int self = static_cast<int>(GetCurrentProcessId());
    for (const std::string& program : os::listFiles(base, "*.exe")) {
        if (program.find(kDaemonImage) != std::string::npos) {
            continue;
        }
        std::string image = fullPath(program);
        for (const os::ProcessInfo& process : os::listProcesses()) {
            if (process.pid != self && os::equalsIgnoringCase(process.imagePath, image)) {
                // Matched again through its own handle before it is ended.
                win32::terminateIfRunningImage(process.pid, image, kTerminateWaitMs);
                break;  // one process per program
            }
        }
    }
    os::killProcessesByImageName(kDaemonImage, kTerminateWaitMs);
}

}  // namespace tamlo::processes
