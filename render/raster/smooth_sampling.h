#pragma once

#include "platform/geometry.h"
#include "render/bitmap.h"
#include "render/blit_rect.h"

namespace tamlo::render::raster {

// A bilinear blit of `from` (inside `source`) onto `to`, drawing only the pixels of `box`
// (inside `to` and the target): each destination pixel's centre is mapped into the part and
// blends its four nearest pixels, the part's edge pixels repeated outward.
void smoothBlit(Bitmap& target, const Rect& box, const Bitmap& source, const BlitRect& from,
                const BlitRect& to, BlitMode mode);

}  // namespace tamlo::render::raster
