#pragma once

#include <cstdint>

#include "platform/geometry.h"
#include "render/bitmap.h"
#include "render/blit_rect.h"

namespace tamlo::render {

// The pixel work of one drawing implementation on a Bitmap. `clip` lies inside the target
// and is where drawing may change pixels; an empty clip draws nothing.
class Drawing {
  public:
    virtual ~Drawing() = default;

    // Sets every pixel of `area` within the clip to `pixel` (a premultiplied word).
    virtual void fill(Bitmap& target, const Rect& clip, const Rect& area, uint32_t pixel) = 0;
    // Copies `from` (inside `source`) onto `to`, scaled with `filter` and the part's edge
    // pixels repeated outward. Both rectangles have positive sides.
    virtual void blit(Bitmap& target, const Rect& clip, const Bitmap& source, const BlitRect& from,
                      const BlitRect& to, BlitMode mode,
                      BlitFilter filter = BlitFilter::Nearest) = 0;
};

// The implementation this build draws with.
Drawing& buildDrawing();

}  // namespace tamlo::render
