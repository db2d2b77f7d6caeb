#pragma once

#include <cstdint>

#include "platform/geometry.h"
#include "render/blit_rect.h"

namespace tamlo::render::raster {

// Which source column (or row) of a part each destination pixel reads in a nearest-neighbour
// scaled blit, worked out in 16.16 fixed point the way the Linux drawing library does: the
// scale and offset are rounded to fixed point, the integer part of the offset is moved into
// the destination coordinate, and the rounding is corrected at the centre of the drawn
// extents. Exact ties fall to the lower pixel; samples past the part take its edge pixel.
struct AxisSampling {
    int64_t first = 0;  // fixed-point position at the extents' first pixel, less one unit
    int64_t step = 0;   // per destination pixel
    int32_t length = 1;

    int32_t at(int32_t k) const {
        const int64_t index = (first + step * k) >> 16;
        return index < 0 ? 0 : index >= length ? length - 1 : static_cast<int32_t>(index);
    }
};

struct NearestSampling {
    bool drawable = false;  // false when the numbers do not fit the fixed-point range
    AxisSampling x;
    AxisSampling y;
};

// `extents` is the part of `to` being drawn (inside the clip), not empty.
NearestSampling nearestSampling(const BlitRect& from, const BlitRect& to, const Rect& extents);

}  // namespace tamlo::render::raster
