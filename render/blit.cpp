#include "render/blit.h"

#include <algorithm>

namespace tamlo::render {

namespace {

bool inside(const BlitRect& part, int32_t width, int32_t height) {
    return part.x >= 0 && part.y >= 0 && part.width <= width - part.x &&
           part.height <= height - part.y;
}

}  // namespace

bool blit(Canvas& canvas, const Bitmap& source, const BlitRect& from, const BlitRect& to,
          BlitMode mode, BlitFilter filter) {
    if (source.isEmpty() || from.width <= 0 || from.height <= 0 || to.width <= 0 ||
        to.height <= 0 || !inside(from, source.width(), source.height())) {
        return false;
    }
    if (canvas.clipBounds().isEmpty()) {
        return true;
    }
    if (canvas.scale() == 1.0) {
        canvas.drawing().blit(canvas.target(), canvas.clipBounds(), source, from, to, mode, filter);
        return true;
    }
    const Rect device = canvas.toDevice(Rect{
        to.x, to.y, static_cast<int32_t>(std::min<int64_t>(int64_t{to.x} + to.width, INT32_MAX)),
        static_cast<int32_t>(std::min<int64_t>(int64_t{to.y} + to.height, INT32_MAX))});
    if (!device.isEmpty()) {
        canvas.drawing().blit(canvas.target(), canvas.clipBounds(), source, from,
                              BlitRect{device.left, device.top, device.width(), device.height()},
                              mode, filter);
    }
    return true;
}

bool drawBitmap(Canvas& canvas, const Bitmap& source, int32_t x, int32_t y) {
    if (source.isEmpty()) {
        return false;
    }
    const BlitRect whole{0, 0, source.width(), source.height()};
    return blit(canvas, source, whole, BlitRect{x, y, source.width(), source.height()},
                BlitMode::SourceOver,
                canvas.scale() == 1.0 ? BlitFilter::Nearest : BlitFilter::Smooth);
}

}  // namespace tamlo::render
