#include <windows.h>

#include "platform/os/os_services.h"
#include "platform/win32/wide_text.h"

namespace tamlo::os {
namespace {

bool asciiEqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? a[i] + ('a' - 'A') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? b[i] + ('a' - 'A') : b[i];
        if (x != y) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    if (a == b) {
        return true;
    }
    std::wstring wideA = win32::widen(a);
    std::wstring wideB = win32::widen(b);
    // Distinct invalid sequences all decode to U+FFFD: compare such texts byte by byte.
    if (win32::narrow(wideA) != a || win32::narrow(wideB) != b) {
        return asciiEqualsIgnoringCase(a, b);
    }
    if (wideA.size() != wideB.size()) {
        return false;
    }
    // The file system's own rule: upper-casing unit by unit, independent of the locale.
    return CompareStringOrdinal(wideA.data(), static_cast<int>(wideA.size()), wideB.data(),
                                static_cast<int>(wideB.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace tamlo::os
