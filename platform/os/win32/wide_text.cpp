#include "platform/os/win32/wide_text.h"

#include <vector>

#include "platform/text_encoding.h"

namespace tamlo::win32 {

// wchar_t is one UTF-16 unit on Windows, so the engine's converters serve directly.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be a UTF-16 unit");

std::wstring widen(std::string_view utf8) {
    std::u16string text = utf8ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

std::string narrow(std::wstring_view wide) {
    std::u16string text(wide.begin(), wide.end());
    return utf16ToUtf8(text);
}

std::optional<std::string> environmentVariable(const wchar_t* name) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        DWORD length =
            GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
                return std::nullopt;
            }
            return std::string();
        }
        if (length < buffer.size()) {
            return narrow(std::wstring_view(buffer.data(), length));
        }
        buffer.resize(length + 1);
    }
}

std::string errorText(DWORD code) {
    wchar_t* message = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::string text;
    if (length > 0 && message != nullptr) {
        text = narrow(std::wstring_view(message, length));
        while (!text.empty() &&
               (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
            text.pop_back();
        }
    }
    if (message != nullptr) {
        LocalFree(message);
    }
    return text.empty() ? "error " + std::to_string(code) : text;
}

// Backslashes double only before a quote or the closing quote.
std::wstring quotedArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

}  // namespace tamlo::win32
