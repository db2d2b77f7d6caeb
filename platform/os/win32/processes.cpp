#include <windows.h>
// toolhelp needs windows.h first
#include <tlhelp32.h>

#include <vector>

#include "platform/os/os_services.h"
#include "platform/os/win32/wide_text.h"

// Termination is TerminateProcess with exit code -8, what a killed installer child shows.
namespace tamlo::os {
namespace {

constexpr UINT kTerminatedExitCode = static_cast<UINT>(-8);

struct SnapshotEntry {
    DWORD pid = 0;
    std::wstring exeName;
};

std::vector<SnapshotEntry> snapshot() {
    std::vector<SnapshotEntry> entries;
    win32::Handle shot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!shot.valid()) {
        return entries;
    }
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(shot.get(), &entry); more;
         more = Process32NextW(shot.get(), &entry)) {
        if (entry.th32ProcessID != 0) {
            entries.push_back({entry.th32ProcessID, entry.szExeFile});
        }
    }
    return entries;
}

std::string imagePathOf(HANDLE process) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 6; ++attempt) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (QueryFullProcessImageNameW(process, 0, buffer.data(), &length)) {
            return win32::narrow(std::wstring_view(buffer.data(), length));
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return {};
        }
        buffer.resize(buffer.size() * 4);
    }
    return {};
}

// Ends the process behind `process` and waits for it. The caller checked, through this
// very handle, that it is the process it meant: a handle keeps its process id from being
// given to another process, so the check cannot go stale.
bool terminateAndWait(HANDLE process, int waitMs) {
    if (!TerminateProcess(process, kTerminatedExitCode)) {
        return false;
    }
    WaitForSingleObject(process, waitMs < 0 ? 0 : static_cast<DWORD>(waitMs));
    return true;
}

}  // namespace

std::vector<ProcessInfo> listProcesses() {
    std::vector<ProcessInfo> processes;
    for (const SnapshotEntry& entry : snapshot()) {
        win32::Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.pid));
        if (!process.valid()) {
            continue;
        }
        std::string image = imagePathOf(process.get());
        if (image.empty()) {
            continue;
        }
        ProcessInfo info;
        info.pid = static_cast<int>(entry.pid);
        info.imageName = imageFileName(image);
        info.imagePath = std::move(image);
        processes.push_back(std::move(info));
    }
    return processes;
}

bool terminateProcess(int pid, int waitMs) {
    if (pid <= 0 || static_cast<DWORD>(pid) == GetCurrentProcessId()) {
        return false;
    }
    win32::Handle process(
        OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
    return process.valid() && terminateAndWait(process.get(), waitMs);
}

// Read through the handle, not a listing: the id may have been reused since, but not
// while the handle is open.
bool terminateIfImage(int pid, const std::function<bool(const std::string&)>& matches, int waitMs) {
    if (pid <= 0 || static_cast<DWORD>(pid) == GetCurrentProcessId()) {
        return false;
    }
    win32::Handle process(
        OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                    static_cast<DWORD>(pid)));
    if (!process.valid()) {
        return false;  // cannot be inspected: skipped
    }
    std::string image = imagePathOf(process.get());
    return !image.empty() && matches(image) && terminateAndWait(process.get(), waitMs);
}

int currentProcessId() {
    return static_cast<int>(GetCurrentProcessId());
}

// Image paths come back absolute with '\': a program given with '/', "." or ".." in its
// path must still be found.
std::string imagePathFor(const std::string& path) {
    std::wstring wide = win32::widen(path);
    DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) {
        return path;
    }
    std::wstring buffer(length, L'\0');
    length = GetFullPathNameW(wide.c_str(), length, buffer.data(), nullptr);
    return length > 0 && length < buffer.size()
               ? win32::narrow(std::wstring_view(buffer.data(), length))
               : path;
}

std::string imageFileName(const std::string& imagePath) {
    size_t separator = imagePath.find_last_of("\\/");
    return separator == std::string::npos ? imagePath : imagePath.substr(separator + 1);
}

}  // namespace tamlo::os
