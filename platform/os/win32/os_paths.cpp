#include <windows.h>

#include <vector>

#include "platform/os/os_services.h"
#include "platform/os/win32/wide_text.h"

namespace tamlo::os {

std::string tempPath() {
    wchar_t buffer[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    std::string path = length > 0 && length <= MAX_PATH
                           ? win32::narrow(std::wstring_view(buffer, length))
                           : std::string(".");
    if (path.back() != '\\' && path.back() != '/') {
        path += '\\';
    }
    return path;
}

// The machine's last shutdown time as the system keeps it: it changes with every boot.
std::array<uint8_t, 8> bootTimeBytes() {
    std::array<uint8_t, 8> bytes{};
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Windows", 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
        return bytes;
    }
    DWORD size = static_cast<DWORD>(bytes.size());
    if (RegQueryValueExW(key, L"ShutdownTime", nullptr, nullptr, bytes.data(), &size) !=
        ERROR_SUCCESS) {
        bytes.fill(0);  // a failed query may have left part of a longer value
    }
    RegCloseKey(key);
    return bytes;
}

std::string executablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            return win32::narrow(std::wstring_view(buffer.data(), length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

void setEnvironmentVariable(const std::string& name, const std::string& value) {
    // Both copies: the system's (what children inherit) and the C runtime's (getenv).
    const std::wstring wideName = win32::widen(name), wideValue = win32::widen(value);
    SetEnvironmentVariableW(wideName.c_str(), wideValue.c_str());
    _wputenv_s(wideName.c_str(), wideValue.c_str());
}

std::string runningProgramFile() {
    return executablePath();
}

}  // namespace tamlo::os
