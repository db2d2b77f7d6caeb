#pragma once

#include <cairo.h>

#include <cstdint>

#include "render/bitmap.h"
#include "render/canvas.h"

namespace tamlo::render {

// A rectangle as origin and size, the way blits take their arguments.
struct BlitRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

enum class BlitMode {
    Copy,        // replaces the destination pixels (opaque images)
    SourceOver,  // premultiplied source-over (images with alpha)
};

// Copies `from` (a part of `source`) onto `to` in the canvas, scaled nearest-neighbour and
// limited by the canvas clip. Draws nothing, and returns false, when either rectangle has a
// non-positive side (never mirrored) or `from` is not wholly inside the source.
bool blit(Canvas& canvas, cairo_surface_t* source, int32_t sourceWidth, int32_t sourceHeight,
          const BlitRect& from, const BlitRect& to, BlitMode mode);

// Draws all of `source` at its natural size with its top-left at (x, y), source-over.
// False when the bitmap is empty or cannot be drawn.
bool drawBitmap(Canvas& canvas, const Bitmap& source, int32_t x, int32_t y);

}  // namespace tamlo::render
