#include "render/raster/raster_drawing.h"

#include <algorithm>
#include <vector>

#include "render/raster/nearest_sampling.h"
#include "render/raster/smooth_sampling.h"
#include "render/raster/source_over.h"

namespace tamlo::render {

namespace {

// `area` within `clip`, computed without overflowing for any coordinates.
Rect clipped(const Rect& clip, const Rect& area) {
    return intersection(clip, area);
}

Rect destinationOf(const BlitRect& to) {
    const auto edge = [](int32_t origin, int32_t size) {
        return static_cast<int32_t>(std::min<int64_t>(int64_t{origin} + size, INT32_MAX));
    };
    return Rect{to.x, to.y, edge(to.x, to.width), edge(to.y, to.height)};
}

class RasterDrawing : public Drawing {
  public:
    void fill(Bitmap& target, const Rect& clip, const Rect& area, uint32_t pixel) override {
        const Rect box = clipped(clip, area);
        for (int32_t y = box.top; y < box.bottom; ++y) {
            uint32_t* row = target.pixels() + static_cast<size_t>(y) * target.width();
            std::fill(row + box.left, row + box.right, pixel);
        }
    }

    void blit(Bitmap& target, const Rect& clip, const Bitmap& source, const BlitRect& from,
              const BlitRect& to, BlitMode mode, BlitFilter filter) override {
        const Rect box = clipped(clip, destinationOf(to));
        if (box.isEmpty()) {
            return;
        }
        if (filter == BlitFilter::Smooth) {
            raster::smoothBlit(target, box, source, from, to, mode);
            return;
        }
        const raster::NearestSampling sampling = raster::nearestSampling(from, to, box);
        if (!sampling.drawable) {
            return;
        }
        columns_.resize(static_cast<size_t>(box.width()));
        for (int32_t k = 0; k < box.width(); ++k) {
            columns_[k] = from.x + sampling.x.at(k);
        }
        for (int32_t y = box.top; y < box.bottom; ++y) {
            const int32_t sourceY = from.y + sampling.y.at(y - box.top);
            const uint32_t* in = source.pixels() + static_cast<size_t>(sourceY) * source.width();
            uint32_t* out = target.pixels() + static_cast<size_t>(y) * target.width() + box.left;
            if (mode == BlitMode::Copy) {
                for (size_t k = 0; k < columns_.size(); ++k) {
                    out[k] = in[columns_[k]];
                }
            } else {
                for (size_t k = 0; k < columns_.size(); ++k) {
                    out[k] = raster::sourceOver(in[columns_[k]], out[k]);
                }
            }
        }
    }

  private:
    std::vector<int32_t> columns_;  // reused between blits; drawing is single-threaded
};

}  // namespace

Drawing& rasterDrawing() {
    static RasterDrawing drawing;
    return drawing;
}

}  // namespace tamlo::render
