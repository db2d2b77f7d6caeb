#include <windows.h>

#include "platform/os/win32/wide_text.h"
#include "support/os_contract.h"

namespace tamlo::test {

bool pathExists(const std::string& path) {
    return GetFileAttributesW(win32::widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void makeReadOnly(const std::string& path) {
    const std::wstring wide = win32::widen(path);
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesW(wide.c_str(), attributes | FILE_ATTRIBUTE_READONLY);
    }
}

bool isReadOnly(const std::string& path) {
    DWORD attributes = GetFileAttributesW(win32::widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

}  // namespace tamlo::test
