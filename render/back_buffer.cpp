#include "render/back_buffer.h"

namespace tamlo::render {

BackBuffer::~BackBuffer() {
    release();
}

bool BackBuffer::resize(int32_t width, int32_t height) {
    if (exists() && width == bitmap_.width() && height == bitmap_.height()) {
        return true;
    }
    release();
    if (!bitmap_.allocate(width, height)) {
        return false;
    }
    surface_ = cairo_image_surface_create_for_data(bitmap_.bytes(), CAIRO_FORMAT_ARGB32, width,
                                                   height, bitmap_.strideBytes());
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
        release();
        return false;
    }
    canvas_ = std::make_unique<Canvas>(surface_);
    return true;
}

void BackBuffer::release() {
    canvas_.reset();
    if (surface_ != nullptr) {
        cairo_surface_destroy(surface_);
        surface_ = nullptr;
    }
    bitmap_.clear();
}

const Bitmap& BackBuffer::pixels() {
    if (surface_ != nullptr) {
        cairo_surface_flush(surface_);
    }
    return bitmap_;
}

Bitmap& BackBuffer::pixelsForWriting() {
    if (surface_ != nullptr) {
        cairo_surface_flush(surface_);
    }
    return bitmap_;
}

void BackBuffer::markDirty() {
    if (surface_ != nullptr) {
        cairo_surface_mark_dirty(surface_);
    }
}

}  // namespace tamlo::render
