#pragma once

#include <cstdint>

#include "render/bitmap.h"
#include "render/blit_rect.h"
#include "render/canvas.h"

namespace tamlo::render {

// Copies `from` (a part of `source`, in its pixels) onto `to` (logical pixels of the canvas),
// scaled with `filter` and limited by the canvas clip. Draws nothing, and returns false, when
// either rectangle has a non-positive side (never mirrored) or `from` is not wholly inside
// the source.
bool blit(Canvas& canvas, const Bitmap& source, const BlitRect& from, const BlitRect& to,
          BlitMode mode, BlitFilter filter = BlitFilter::Nearest);

// Draws all of `source` with its top-left at (x, y), one source pixel to a logical pixel,
// source-over (smoothly resampled on a scaled canvas). False when the bitmap is empty or
// cannot be drawn.
bool drawBitmap(Canvas& canvas, const Bitmap& source, int32_t x, int32_t y);

}  // namespace tamlo::render
