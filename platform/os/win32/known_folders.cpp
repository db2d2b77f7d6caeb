#include "platform/os/known_folders.h"

#include <shlobj.h>
#include <windows.h>

#include "platform/os/os_services.h"
#include "platform/os/win32/wide_text.h"

namespace tamlo::folders {
namespace {

bool isAbsolute(const std::string& path) {
    return (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
           path.compare(0, 2, "\\\\") == 0;
}

std::string withoutTrailingSeparator(std::string path) {
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) {
        path.pop_back();
    }
    return path;
}

int folderId(SpecialFolder folder, bool systemWide) {
    switch (folder) {
        case SpecialFolder::AppData:
            return CSIDL_APPDATA;
        case SpecialFolder::Programs:
            return CSIDL_PROGRAM_FILES;
        case SpecialFolder::Desktop:
            return systemWide ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY;
        case SpecialFolder::StartMenu:
            return systemWide ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS;
    }
    return CSIDL_APPDATA;
}

std::optional<std::string> shellFolder(int id) {
    wchar_t buffer[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, buffer))) {
        return std::nullopt;
    }
    std::string path = withoutTrailingSeparator(win32::narrow(buffer));
    return path.empty() ? std::nullopt : std::optional<std::string>(path);
}

}  // namespace

std::optional<std::string> homeFolder() {
    if (std::optional<std::string> profile = win32::environmentVariable(L"USERPROFILE")) {
        if (isAbsolute(*profile)) {
            return withoutTrailingSeparator(*profile);
        }
    }
    return shellFolder(CSIDL_PROFILE);
}

std::optional<std::string> resolveSpecialFolder(SpecialFolder folder, bool systemWide) {
    return shellFolder(folderId(folder, systemWide));
}

std::optional<std::string> specialFolder(SpecialFolder folder) {
    // The installer runs elevated and places shortcuts for all users; TAMLO_PER_USER_FOLDERS
    // keeps a run inside the current user's folders, as on Linux.
    const bool systemWide = !win32::environmentVariable(L"TAMLO_PER_USER_FOLDERS").has_value();
    std::optional<std::string> path = shellFolder(folderId(folder, systemWide) | CSIDL_FLAG_CREATE);
    if (!path) {
        return std::nullopt;
    }
    DWORD attributes = GetFileAttributesW(win32::widen(*path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::nullopt;
    }
    return path;
}

std::string tempFolder() {
    return os::tempPath();
}

}  // namespace tamlo::folders
