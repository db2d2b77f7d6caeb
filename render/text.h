#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry.h"
#include "render/canvas.h"
#include "render/color.h"
#include "render/font.h"
#include "render/text_format.h"

namespace tamlo::render {

// Text with its "&" prefixes resolved: "&&" becomes "&", "&x" becomes an underlined x.
struct PrefixedText {
    std::u16string text;
    // UTF-16 ranges of `text` to underline, as (start, length).
    std::vector<std::pair<size_t, size_t>> underlined;
};
PrefixedText resolvePrefixes(std::u16string_view text);

// DrawTextW with the canvas's font and text colour. Honours DT_LEFT, DT_CENTER, DT_RIGHT,
// DT_TOP, DT_VCENTER, DT_BOTTOM (the last two with DT_SINGLELINE), DT_SINGLELINE, DT_NOCLIP,
// DT_NOPREFIX and DT_CALCRECT (which only sets rect's right and bottom to the text's
// extent). Without DT_SINGLELINE, line breaks start new lines. Returns the text height.
int32_t drawTextWithCurrent(Canvas& canvas, Rect& rect, std::u16string_view text, uint32_t format);

// Selects `font` (null keeps the current one), sets the text colour (which stays set), draws
// and selects the previous font back.
int32_t drawText(Canvas& canvas, Rect& rect, std::u16string_view text, const Font* font,
                 ColorRef color, uint32_t format);

// Sets the text colour and draws one left-aligned line, centred vertically, in the current font.
int32_t drawTextVCentered(Canvas& canvas, const Rect& rect, std::u16string_view text,
                          ColorRef color);

// The extent of `text` in `font` (null: the default GUI font) as DT_CALCRECT gives it, measured
// on the shared measuring context. By default one line without prefix processing.
Size measureText(const Font* font, std::u16string_view text,
                 uint32_t format = win32::DT_NOPREFIX | win32::DT_SINGLELINE);

}  // namespace tamlo::render
