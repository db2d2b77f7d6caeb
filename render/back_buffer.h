#pragma once

#include <cairo.h>

#include <memory>

#include "render/bitmap.h"
#include "render/canvas.h"

namespace tamlo::render {

// A window's off-screen surface: its own premultiplied pixels with a cairo surface and a
// Canvas over them. Never cleared between paints; new pixels start transparent black.
class BackBuffer {
  public:
    BackBuffer() = default;
    ~BackBuffer();
    BackBuffer(const BackBuffer&) = delete;
    BackBuffer& operator=(const BackBuffer&) = delete;

    // Nothing when the buffer exists at this size; otherwise recreates it. False (and no
    // buffer) for a size that cannot be allocated.
    bool resize(int32_t width, int32_t height);
    void release();

    bool exists() const { return canvas_ != nullptr; }
    int32_t width() const { return bitmap_.width(); }
    int32_t height() const { return bitmap_.height(); }

    // Null unless the buffer exists.
    Canvas* canvas() const { return canvas_.get(); }
    cairo_surface_t* surface() const { return surface_; }

    // The pixels, with every pending drawing finished.
    const Bitmap& pixels();
    // For direct pixel writes; call markDirty() after them.
    Bitmap& pixelsForWriting();
    void markDirty();

  private:
    Bitmap bitmap_;
    cairo_surface_t* surface_ = nullptr;
    std::unique_ptr<Canvas> canvas_;
};

}  // namespace tamlo::render
