#include "render/raster/smooth_sampling.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/raster/source_over.h"

namespace tamlo::render::raster {

namespace {

// The two source pixels a destination pixel reads on one axis and the weight (0..256) of
// the second, relative to the part's origin.
struct Tap {
    int32_t first = 0;
    int32_t second = 0;
    uint32_t weight = 0;
};

std::vector<Tap> taps(int32_t boxStart, int32_t boxLength, int32_t toOrigin, int32_t toLength,
                      int32_t fromLength) {
    std::vector<Tap> out(static_cast<size_t>(boxLength));
    const double step = static_cast<double>(fromLength) / toLength;
    for (int32_t k = 0; k < boxLength; ++k) {
        double position = (static_cast<double>(boxStart + k) - toOrigin + 0.5) * step - 0.5;
        position = std::clamp(position, 0.0, static_cast<double>(fromLength - 1));
        const int32_t first = static_cast<int32_t>(position);
        out[k].first = first;
        out[k].second = std::min(first + 1, fromLength - 1);
        out[k].weight = static_cast<uint32_t>(std::lround((position - first) * 256.0));
    }
    return out;
}

uint32_t mix(uint32_t a, uint32_t b, uint32_t weight) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t x = a >> shift & 0xFF;
        const uint32_t y = b >> shift & 0xFF;
        out |= ((x * (256 - weight) + y * weight + 128) >> 8) << shift;
    }
    return out;
}

}  // namespace

void smoothBlit(Bitmap& target, const Rect& box, const Bitmap& source, const BlitRect& from,
                const BlitRect& to, BlitMode mode) {
    if (box.isEmpty() || from.width <= 0 || from.height <= 0 || to.width <= 0 || to.height <= 0) {
        return;
    }
    const std::vector<Tap> columns = taps(box.left, box.width(), to.x, to.width, from.width);
    const std::vector<Tap> rows = taps(box.top, box.height(), to.y, to.height, from.height);
    for (int32_t y = box.top; y < box.bottom; ++y) {
        const Tap& row = rows[static_cast<size_t>(y - box.top)];
        const uint32_t* upper =
            source.pixels() + static_cast<size_t>(from.y + row.first) * source.width() + from.x;
        const uint32_t* lower =
            source.pixels() + static_cast<size_t>(from.y + row.second) * source.width() + from.x;
        uint32_t* out = target.pixels() + static_cast<size_t>(y) * target.width() + box.left;
        for (size_t k = 0; k < columns.size(); ++k) {
            const Tap& column = columns[k];
            const uint32_t top = mix(upper[column.first], upper[column.second], column.weight);
            const uint32_t bottom = mix(lower[column.first], lower[column.second], column.weight);
            const uint32_t pixel = mix(top, bottom, row.weight);
            out[k] = mode == BlitMode::Copy ? pixel : sourceOver(pixel, out[k]);
        }
    }
}

}  // namespace tamlo::render::raster
