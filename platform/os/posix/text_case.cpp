#include "platform/os/text_case.h"

#include <locale.h>
#include <wctype.h>

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

char32_t folded(char32_t c) {
    if (c < 0x80) {
        return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
    }
    locale_t locale = foldingLocale();
    return locale ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), locale)) : c;
}

void appendUtf16(std::u16string& out, char32_t c) {
    if (c >= 0x10000) {
        out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

}  // namespace

std::string foldCase(std::string_view utf8) {
    std::u16string text = utf8ToUtf16(utf8);
    std::u16string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        appendUtf16(result, folded(unit));
    }
    return utf16ToUtf8(result);
}

}  // namespace tamlo::os
