#include "render/back_buffer.h"

namespace tamlo::render {

bool BackBuffer::resize(int32_t width, int32_t height) {
    if (exists() && width == bitmap_.width() && height == bitmap_.height()) {
        return true;
    }
    release();
    if (!bitmap_.allocate(width, height)) {
        return false;
    }
    canvas_ = std::make_unique<Canvas>(bitmap_);
    return true;
}

void BackBuffer::release() {
    canvas_.reset();
    bitmap_.clear();
}

void BackBuffer::clearRect(const Rect& area) {
    if (canvas_ == nullptr) {
        return;
    }
    const Rect whole{0, 0, bitmap_.width(), bitmap_.height()};
    canvas_->drawing().fill(bitmap_, whole, area, 0u);
}

}  // namespace tamlo::render
