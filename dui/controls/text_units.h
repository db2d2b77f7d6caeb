#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "render/char_widths.h"

// What the text controls share: UTF-16 boundaries that never split a surrogate pair, and
// the character widths of a named font of the style set.
namespace tamlo::dui::text {

inline bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
inline bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// At most `limit` units of `text`, one fewer when the cut would split a pair.
inline std::size_t fittingLength(std::u16string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    if (limit > 0 && isHighSurrogate(text[limit - 1]) && isLowSurrogate(text[limit])) {
        return limit - 1;
    }
    return limit;
}

// Each character below 32 becomes a space (a single-line field has no line breaks).
std::u16string controlCharactersToSpaces(std::u16string_view text);

// Widths in the style set's font `name` (the default GUI font when it has none).
std::unique_ptr<render::CharWidths> widthsForFont(std::u16string_view name);

}  // namespace tamlo::dui::text
