#include "render/blit.h"

namespace tamlo::render {

namespace {

bool inside(const BlitRect& part, int32_t width, int32_t height) {
    return part.x >= 0 && part.y >= 0 && part.width <= width - part.x &&
           part.height <= height - part.y;
}

}  // namespace

bool blit(Canvas& canvas, const Bitmap& source, const BlitRect& from, const BlitRect& to,
          BlitMode mode) {
    if (source.isEmpty() || from.width <= 0 || from.height <= 0 || to.width <= 0 ||
        to.height <= 0 || !inside(from, source.width(), source.height())) {
        return false;
    }
    if (!canvas.clipBounds().isEmpty()) {
        canvas.drawing().blit(canvas.target(), canvas.clipBounds(), source, from, to, mode);
    }
    return true;
}

bool drawBitmap(Canvas& canvas, const Bitmap& source, int32_t x, int32_t y) {
    if (source.isEmpty()) {
        return false;
    }
    const BlitRect whole{0, 0, source.width(), source.height()};
    return blit(canvas, source, whole, BlitRect{x, y, source.width(), source.height()},
                BlitMode::SourceOver);
}

}  // namespace tamlo::render
