#include "platform/text_encoding.h"

#include <algorithm>

#include <cstdint>

namespace tamlo {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

void appendUtf16(std::u16string& out, char32_t c) {
    if (c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

char32_t decodeUtf8(std::string_view text, size_t& at) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    uint8_t lead = byte(at);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    int length;
    char32_t value;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++at;
        return kNotUtf8;
    }
    size_t k = at + 1;
    for (int n = 1; n < length; ++n, ++k) {
        if (k >= text.size() || (byte(k) & 0xC0) != 0x80) {
            at = k;
            return kNotUtf8;
        }
        value = (value << 6) | (byte(k) & 0x3F);
    }
    at = k;
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return kNotUtf8;
    }
    return value;
}

bool utf8ToUtf16Strict(std::string_view text, std::u16string& out) {
    out.clear();
    size_t i = 0;
    while (i < text.size()) {
        char32_t c = decodeUtf8(text, i);
        if (c == kNotUtf8) {
            return false;
        }
        appendUtf16(out, c);
    }
    return true;
}

std::u16string utf8ToUtf16(std::string_view text) {
    return utf8ToUtf16Prefix(text, text.size(), nullptr);
}

std::u16string utf8ToUtf16Prefix(std::string_view text, size_t maxUnits, bool* cut) {
    std::u16string out;
    out.reserve(std::min(text.size(), maxUnits));
    size_t i = 0;
    if (cut != nullptr) {
        *cut = false;
    }
    while (i < text.size()) {
        char32_t c = decodeUtf8(text, i);
        if (c == kNotUtf8) {
            c = kReplacement;
        }
        if (out.size() + (c >= 0x10000 ? 2 : 1) > maxUnits) {
            if (cut != nullptr) {
                *cut = true;
            }
            break;
        }
        appendUtf16(out, c);
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        appendUtf8(out, c);
    }
    return out;
}

}  // namespace tamlo
