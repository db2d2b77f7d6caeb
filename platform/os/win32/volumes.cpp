#include "platform/os/volumes.h"

#include <windows.h>

#include <vector>

#include "platform/os/win32/wide_text.h"

// On Windows a volume is a drive: a path lies on a fixed one when the drive holding it is
// a local hard disk (not removable, network, optical or RAM).
namespace tamlo::volumes {

bool volumeExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    std::wstring wide = win32::widen(path);
    if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    // The root of the volume the path is on, mount folders included ("C:\", "D:\mnt\").
    std::vector<wchar_t> root(wide.size() + MAX_PATH);
    if (!GetVolumePathNameW(wide.c_str(), root.data(), static_cast<DWORD>(root.size()))) {
        return false;
    }
    return GetDriveTypeW(root.data()) == DRIVE_FIXED;
}

std::optional<uint64_t> freeSpace(const std::string& path) {
    std::string probe = path;
    while (!probe.empty() &&
           GetFileAttributesW(win32::widen(probe).c_str()) == INVALID_FILE_ATTRIBUTES) {
        probe = parentPath(probe);
    }
    ULARGE_INTEGER available;
    if (probe.empty() ||
        !GetDiskFreeSpaceExW(win32::widen(probe).c_str(), &available, nullptr, nullptr)) {
        return std::nullopt;
    }
    // The bytes left to this user, quotas included.
    return static_cast<uint64_t>(available.QuadPart);
}

}  // namespace tamlo::volumes
