#include "render/char_widths.h"

#include <string>

#include "render/text.h"

namespace tamlo::render {

CharWidths::CharWidths(const Font* font)
    : font_(std::make_unique<Font>(font != nullptr ? font->fontSpec() : defaultGuiFontSpec())),
      basic_(0x10000, -1) {
    lineHeight_ = measureText(font_.get(), u"Xg").height;
    const std::u16string letters = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    averageWidth_ = (measureText(font_.get(), letters).width + 26) / 52;
}

CharWidths::~CharWidths() = default;

int32_t CharWidths::measure(char32_t character) {
    if (character == u'\t') {
        return 4 * of(u' ');
    }
    if (character < 0x20 || character == 0x7F) {
        return 0;
    }
    std::u16string unit;
    if (character >= 0x10000) {
        const char32_t v = character - 0x10000;
        unit.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
        unit.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
        unit.push_back(static_cast<char16_t>(character));
    }
    return measureText(font_.get(), unit).width;
}

int32_t CharWidths::of(char32_t character) {
    if (character >= 0xD800 && character <= 0xDFFF) {
        character = 0xFFFD;
    }
    if (character < 0x10000) {
        int16_t& known = basic_[character];
        if (known < 0) {
            known = static_cast<int16_t>(measure(character));
        }
        return known;
    }
    return measure(character);
}

int32_t CharWidths::ofUnit(const char16_t* text, std::size_t n, std::size_t i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
        return of(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                  (text[i + 1] - 0xDC00));
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF && i > 0 && text[i - 1] >= 0xD800 &&
        text[i - 1] <= 0xDBFF) {
        return 0;
    }
    return of(unit);
}

}  // namespace tamlo::render
