#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "render/font.h"

namespace tamlo::render {

// Character advances of one font, one character at a time as GetCharWidth32W gives
// them: no kerning, no shaping. Each character is measured once and remembered.
// A tab is four spaces wide; line breaks and other control characters are zero wide.
class CharWidths {
  public:
    // `font` null: the default GUI font. The font is copied.
    explicit CharWidths(const Font* font);
    ~CharWidths();
    CharWidths(const CharWidths&) = delete;
    CharWidths& operator=(const CharWidths&) = delete;

    int32_t of(char32_t character);
    // The width of the UTF-16 unit at `i` of `text` (length `n`): a surrogate pair has
    // its width on the first unit and 0 on the second; a lone surrogate is one U+FFFD.
    int32_t ofUnit(const char16_t* text, std::size_t n, std::size_t i);
    // Ascent + descent of the font (text metrics height).
    int32_t lineHeight() const { return lineHeight_; }
    // The mean advance of the font's Latin letters (text metrics average width).
    int32_t averageWidth() const { return averageWidth_; }
    const Font& font() const { return *font_; }

  private:
    int32_t measure(char32_t character);

    std::unique_ptr<Font> font_;
    std::vector<int16_t> basic_;  // the BMP, -1 where not measured yet
    int32_t lineHeight_ = 0;
    int32_t averageWidth_ = 0;
};

}  // namespace tamlo::render
