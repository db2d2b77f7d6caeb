#include "platform/os/text_case.h"

#include <windows.h>

#include "platform/os/win32/wide_text.h"

namespace tamlo::os {

std::string foldCase(std::string_view utf8) {
    std::wstring text = win32::widen(utf8);
    if (!text.empty()) {
        CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    }
    return win32::narrow(text);
}

}  // namespace tamlo::os
