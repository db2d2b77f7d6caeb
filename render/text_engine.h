#pragma once

#include <cstdint>
#include <string_view>

#include "platform/geometry.h"
#include "render/bitmap.h"
#include "render/color.h"
#include "render/font.h"

namespace tamlo::render {

// The build's text engine: lays `text` out in `font` as DrawTextW does with `format` and
// draws it in `color` into `target`, limited to `clip`. With DT_CALCRECT, or a null
// target, it only measures: rect's right and bottom become the text's extent. Returns the
// text height. `scale` multiplies the font's size: a scaled canvas passes its device rectangle
// and scale, so text is laid out at the device's own resolution.
int32_t engineDrawText(Bitmap* target, const Rect& clip, const Font& font, ColorRef color,
                       Rect& rect, std::u16string_view text, uint32_t format, double scale = 1.0);

}  // namespace tamlo::render
