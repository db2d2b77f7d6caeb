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

}  // namespace

std::string foldCase(std::string_view utf8) {
    std::u16string result;
    result.reserve(utf8.size());
    size_t at = 0;
    while (at < utf8.size()) {
        const char32_t c = decodeUtf8(utf8, at);
        appendUtf16(result, c == kNotUtf8 ? char32_t{0xFFFD} : folded(c));
    }
    return utf16ToUtf8(result);
}

}  // namespace tamlo::os
