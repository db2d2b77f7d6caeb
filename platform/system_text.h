#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/geometry.h"

namespace tamlo::platform {

// A font as the system's text engine takes it.
struct SystemFont {
    std::u16string face;
    int32_t pixelHeight = 12;  // character (em) height
    int32_t weight = 400;
    bool underline = false;
};

// Premultiplied 32-bit pixels A<<24 | R<<16 | G<<8 | B, top-down, rows `width` apart.
struct PixelBlock {
    uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};

// Lays out `text` with DrawTextW's rules for `format` (DT_* flags: the "&" prefix unless
// DT_NOPREFIX, DT_SINGLELINE, alignment, DT_NOCLIP) and draws it in `color` (a COLORREF)
// into `target` within `clip` (inside the block), blending antialiased edges over what is
// there. With DT_CALCRECT, or a null target, it draws nothing and sets rect's right and
// bottom to the text's extent. Returns the text height.
int32_t drawSystemText(PixelBlock* target, const Rect& clip, const SystemFont& font, uint32_t color,
                       Rect& rect, std::u16string_view text, uint32_t format);

}  // namespace tamlo::platform
