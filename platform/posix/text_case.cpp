#include <locale.h>
#include <wctype.h>

#include "platform/os/os_services.h"
#include "platform/text_encoding.h"

namespace tamlo::os {
namespace {

// Case folding independent of the process locale, which stays "C" for the engine.
locale_t foldingLocale() {
    static locale_t locale = [] {
        locale_t found = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        return found ? found : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
    }();
    return locale;
}

char32_t folded(char16_t unit) {
    if (unit < 0x80) {
        return unit >= 'A' && unit <= 'Z' ? unit + ('a' - 'A') : unit;
    }
    locale_t locale = foldingLocale();
    return locale ? static_cast<char32_t>(towlower_l(unit, locale)) : unit;
}

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
    std::u16string wideA = utf8ToUtf16(a);
    std::u16string wideB = utf8ToUtf16(b);
    // Distinct invalid sequences all decode to U+FFFD: compare such texts byte by byte.
    if (utf16ToUtf8(wideA) != a || utf16ToUtf8(wideB) != b) {
        return asciiEqualsIgnoringCase(a, b);
    }
    if (wideA.size() != wideB.size()) {
        return false;
    }
    for (size_t i = 0; i < wideA.size(); ++i) {
        if (folded(wideA[i]) != folded(wideB[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace tamlo::os
