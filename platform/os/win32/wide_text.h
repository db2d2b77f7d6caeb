#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

// UTF-8 at the engine's side, UTF-16 for every W call.
namespace tamlo::win32 {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

// The environment variable as UTF-8; nothing when unset.
std::optional<std::string> environmentVariable(const wchar_t* name);

// One argument of a command line, quoted so that the C runtime's parser (and
// CommandLineToArgvW) gives it back unchanged.
std::wstring quotedArgument(const std::wstring& argument);

// The system's message for an error code, without the trailing line break.
std::string errorText(DWORD code);

// Keeps a kernel handle and closes it; both null and INVALID_HANDLE_VALUE mean none.
class Handle {
  public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
    ~Handle() { reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept : handle_(other.release()) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    HANDLE release() {
        HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    void reset(HANDLE handle = nullptr) {
        if (valid()) {
            CloseHandle(handle_);
        }
        handle_ = handle;
    }

  private:
    HANDLE handle_;
};

}  // namespace tamlo::win32
