#pragma once

#include <memory>

#include "render/bitmap.h"
#include "render/canvas.h"

namespace tamlo::render {

// A window's off-screen surface: its own premultiplied pixels with a Canvas over them.
// Never cleared between paints; new pixels start transparent black.
class BackBuffer {
  public:
    BackBuffer() = default;
    BackBuffer(const BackBuffer&) = delete;
    BackBuffer& operator=(const BackBuffer&) = delete;

    // More than any window the engine makes (with its shadow) needs; a larger buffer is
    // refused with a debug line.
    static constexpr int64_t kMaxPixels = int64_t{1} << 24;

    // Nothing when the buffer exists at this size and scale; otherwise recreates it, its
    // canvas drawing `scale` pixels to a logical one. False (and no buffer) for a size that
    // cannot be allocated or is past kMaxPixels. The size is in device pixels.
    bool resize(int32_t width, int32_t height, double scale = 1.0);
    void release();

    bool exists() const { return canvas_ != nullptr; }
    int32_t width() const { return bitmap_.width(); }
    int32_t height() const { return bitmap_.height(); }

    // Null unless the buffer exists.
    Canvas* canvas() const { return canvas_.get(); }

    double scale() const { return scale_; }

    // Makes `area` (logical pixels) transparent black, whatever the canvas clip.
    void clearRect(const Rect& area);

    // The pixels; every drawing call has finished when it returns.
    const Bitmap& pixels() const { return bitmap_; }
    // For direct pixel writes.
    Bitmap& pixelsForWriting() { return bitmap_; }

  private:
    Bitmap bitmap_;
    double scale_ = 1.0;
    std::unique_ptr<Canvas> canvas_;
};

}  // namespace tamlo::render
