#include "platform/windowing/frame_composition.h"

#include <algorithm>

namespace tamlo::platform {

std::optional<std::vector<Rect>> windowShapeRows(const std::optional<RoundRegion>& region,
                                                 const std::optional<SlideReveal>& reveal,
                                                 Size size) {
    if (!region && !reveal) {
        return std::nullopt;
    }
    const Rect all{0, 0, std::max(0, size.width), std::max(0, size.height)};
    const Rect band = reveal ? intersection(reveal->visible, all) : all;
    std::vector<Rect> rows;
    if (!region) {
        if (!band.isEmpty()) {
            rows.push_back(band);
        }
        return rows;
    }
    for (int row = band.top; row < band.bottom; ++row) {
        auto [left, right] = roundRegionRowSpan(*region, row);
        left = std::max(left, band.left);
        right = std::min(right, band.right);
        if (right > left) {
            rows.push_back(Rect{left, row, right, row + 1});
        }
    }
    return rows;
}

void composeFrame(const WindowPixels& surface, const std::optional<SlideReveal>& reveal,
                  std::vector<uint32_t>& out) {
    const int width = std::max(0, surface.width);
    const int height = std::max(0, surface.height);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (surface.pixels.size() < count) {
        out.assign(count, 0);
        return;
    }
    if (!reveal) {
        out.assign(surface.pixels.begin(), surface.pixels.begin() + count);
        return;
    }
    out.assign(count, 0);
    const Rect visible = intersection(reveal->visible, Rect{0, 0, width, height});
    const Point offset = reveal->contentOffset;
    for (int y = visible.top; y < visible.bottom; ++y) {
        const int sourceY = y - offset.y;
        if (sourceY < 0 || sourceY >= height) {
            continue;
        }
        for (int x = visible.left; x < visible.right; ++x) {
            const int sourceX = x - offset.x;
            if (sourceX >= 0 && sourceX < width) {
                out[static_cast<std::size_t>(y) * width + x] =
                    surface.pixels[static_cast<std::size_t>(sourceY) * width + sourceX];
            }
        }
    }
}

uint32_t straightAlpha(uint32_t premultiplied) {
    const uint32_t alpha = premultiplied >> 24;
    if (alpha == 0) {
        return 0;
    }
    auto channel = [&](int shift) {
        const uint32_t value = (premultiplied >> shift) & 0xFF;
        return std::min<uint32_t>(255, (value * 255 + alpha / 2) / alpha) << shift;
    };
    return (alpha << 24) | channel(16) | channel(8) | channel(0);
}

}  // namespace tamlo::platform
