#include "win32/win32_test_support.h"

#include <stdlib.h>

#include <atomic>
#include <vector>

#include "platform/os/os_services.h"
#include "platform/os/win32/wide_text.h"

namespace tamlo::test {

ScratchFolder::ScratchFolder() {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    std::string base = win32::narrow(std::wstring_view(temp, length));
    while (!base.empty() && base.back() == '\\') {
        base.pop_back();
    }
    path_ = base + "\\tamlo-w32-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(counter.fetch_add(1));
    CreateDirectoryW(win32::widen(path_).c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    os::deleteTree(path_);
}

ScopedVariable::ScopedVariable(const wchar_t* name, const std::string& value) : name_(name) {
    std::vector<wchar_t> buffer(32768);
    DWORD length = GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    hadValue_ = length > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    oldValue_.assign(buffer.data(), length);
    setBoth(win32::widen(value).c_str());
}

// The system's block and the C runtime's copy, which std::getenv reads, both change.
void ScopedVariable::setBoth(const wchar_t* value) {
    SetEnvironmentVariableW(name_.c_str(), value);
    _wputenv((name_ + L"=" + (value != nullptr ? value : L"")).c_str());
}

ScopedVariable::~ScopedVariable() {
    setBoth(hadValue_ ? oldValue_.c_str() : nullptr);
}

bool writeBytes(const std::string& path, const std::string& bytes) {
    win32::Handle file(CreateFileW(win32::widen(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.valid() &&
           WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

std::string readBytes(const std::string& path) {
    win32::Handle file(CreateFileW(win32::widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (file.valid() && ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    return bytes;
}

}  // namespace tamlo::test
