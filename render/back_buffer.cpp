#include "render/back_buffer.h"

#include <string>

#include "platform/debug_sink.h"

namespace tamlo::render {

bool BackBuffer::resize(int32_t width, int32_t height, double scale) {
    if (exists() && width == bitmap_.width() && height == bitmap_.height() && scale == scale_) {
        return true;
    }
    release();
    if (width > 0 && height > 0 && int64_t{width} * height > kMaxPixels) {
        debugOutput("back buffer: " + std::to_string(width) + "x" + std::to_string(height) +
                    " is past the limit of " + std::to_string(kMaxPixels) + " pixels; refused");
        return false;
    }
    if (!bitmap_.allocate(width, height)) {
        return false;
    }
    scale_ = scale;
    canvas_ = std::make_unique<Canvas>(bitmap_, scale);
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
    canvas_->drawing().fill(bitmap_, whole, canvas_->toDevice(area), 0u);
}

}  // namespace tamlo::render
