#include "dui/loader/attribute_setters.h"

#include <cstdint>
#include <limits>

namespace tamlo::dui::duiField {
namespace {

bool isScanSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

// One "%d" starting at `pos`; advances `pos` past it. Out-of-range values saturate.
bool scanInteger(std::u16string_view text, std::size_t& pos, int32_t& out) {
    std::size_t i = pos;
    while (i < text.size() && isScanSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    const std::size_t digitsStart = i;
    int64_t magnitude = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        if (magnitude <= kLimit) {
            magnitude = magnitude * 10 + (text[i] - u'0');
        }
        ++i;
    }
    if (i == digitsStart) {
        return false;
    }
    int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max()) {
        value = std::numeric_limits<int32_t>::max();
    } else if (value < std::numeric_limits<int32_t>::min()) {
        value = std::numeric_limits<int32_t>::min();
    }
    out = static_cast<int32_t>(value);
    pos = i;
    return true;
}

int hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return 0;
}

}  // namespace

int scanIntegers(std::u16string_view value, int32_t* out, int count) {
    std::size_t pos = 0;
    for (int n = 0; n < count; ++n) {
        if (n > 0) {
            if (pos >= value.size() || value[pos] != u',') {
                return n;
            }
            ++pos;
        }
        if (!scanInteger(value, pos, out[n])) {
            return n;
        }
    }
    return count;
}

void IntSetter::set(Object& target, std::u16string_view value) const {
    int32_t number = 0;
    scanIntegers(value, &number, 1);
    target.setInt(key(), number);
}

void ColorSetter::set(Object& target, std::u16string_view value) const {
    // Position 0 (normally '#') is not examined.
    int32_t color = 0;
    for (std::size_t position = 1; position <= 6; ++position) {
        const int digit = position < value.size() ? hexDigit(value[position]) : 0;
        color = (color << 4) | digit;
    }
    target.setInt(key(), color);
}

void EnumSetter::set(Object& target, std::u16string_view value) const {
    target.setInt(key(), enumValue(findEnumWord(value)));
}

void RectSetter::set(Object& target, std::u16string_view value) const {
    int32_t numbers[4] = {0, 0, 0, 0};
    scanIntegers(value, numbers, 4);
    target.setRect(key(), numbers[0], numbers[1], numbers[2], numbers[3]);
}

void SizeSetter::set(Object& target, std::u16string_view value) const {
    int32_t numbers[2] = {0, 0};
    scanIntegers(value, numbers, 2);
    target.setSize(key(), numbers[0], numbers[1]);
}

void TextSetter::set(Object& target, std::u16string_view value) const {
    target.setText(key(), value);
}

}  // namespace tamlo::dui::duiField
