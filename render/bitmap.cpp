#include "render/bitmap.h"

namespace tamlo::render {

bool Bitmap::allocate(int32_t width, int32_t height) {
    clear();
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        return false;
    }
    pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
    width_ = width;
    height_ = height;
    return true;
}

void Bitmap::clear() {
    std::vector<uint32_t>().swap(pixels_);
    width_ = 0;
    height_ = 0;
}

}  // namespace tamlo::render
