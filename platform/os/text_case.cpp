#include "platform/os/text_case.h"

#include "platform/text_encoding.h"

namespace tamlo::os {
namespace {

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool asciiEqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool isUtf8(const std::string& text) {
    std::u16string ignored;
    return utf8ToUtf16Strict(text, ignored);
}

}  // namespace

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    if (a == b) {
        return true;
    }
    if (!isUtf8(a) || !isUtf8(b)) {
        return asciiEqualsIgnoringCase(a, b);
    }
    return foldCase(a) == foldCase(b);
}

}  // namespace tamlo::os
