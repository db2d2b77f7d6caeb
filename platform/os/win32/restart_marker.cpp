#include "platform/os/restart_marker.h"

#include <windows.h>

#include <array>
#include <cstdint>

#include "platform/os/os_services.h"
#include "platform/os/win32/wide_text.h"

namespace tamlo::platform {
namespace {

// A marker counts only when it is a plain file: a link or a device planted in the temp
// folder must not block or fake anything.
bool plainFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
           (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

// A link is opened as itself, never followed.
win32::Handle openMarker(const std::wstring& path, DWORD access, DWORD disposition) {
    return win32::Handle(CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                     nullptr));
}

void removeEntry(const std::wstring& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(path.c_str())) {
        RemoveDirectoryW(path.c_str());
    }
}

}  // namespace

std::string restartMarkerPath() {
    return os::tempPath() + "orvinex_restart";
}

bool pendingRebootCheck() {
    const std::wstring path = win32::widen(restartMarkerPath());
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    bool pending = false;
    {
        win32::Handle file = openMarker(path, GENERIC_READ, OPEN_EXISTING);
        std::array<uint8_t, 8> marker{};
        DWORD got = 0;
        if (file.valid() && plainFile(file.get()) &&
            ReadFile(file.get(), marker.data(), static_cast<DWORD>(marker.size()), &got, nullptr) &&
            got == marker.size()) {
            pending = marker == os::bootTimeBytes();
        }
    }
    if (!pending) {
        removeEntry(path);
    }
    return pending;
}

void markRestart() {
    const std::wstring path = win32::widen(restartMarkerPath());
    win32::Handle file = openMarker(path, GENERIC_WRITE, OPEN_ALWAYS);
    if (file.valid() && !plainFile(file.get())) {
        // A link or a foreign object sits at the path: replace the entry with a fresh file.
        file.reset();
        removeEntry(path);
        file = openMarker(path, GENERIC_WRITE, CREATE_NEW);
    }
    if (file.valid()) {
        std::array<uint8_t, 8> bootTime = os::bootTimeBytes();
        DWORD written = 0;
        // The file may predate us with longer content.
        if (SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == 0 && SetEndOfFile(file.get())) {
            WriteFile(file.get(), bootTime.data(), static_cast<DWORD>(bootTime.size()), &written,
                      nullptr);
        }
    }
    // Windows deletes the marker while it boots again (this needs administrator rights;
    // without them the check still deletes a marker of an older boot).
    MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace tamlo::platform
