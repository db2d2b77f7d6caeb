#include "render/cairo/cairo_drawing.h"

#include <cairo.h>

namespace tamlo::render {

namespace {

// A cairo image surface over a bitmap's pixels; drawing through it lands in the bitmap
// by the time the view is gone.
class SurfaceView {
  public:
    explicit SurfaceView(const Bitmap& bitmap)
        : surface_(cairo_image_surface_create_for_data(const_cast<uint8_t*>(bitmap.bytes()),
                                                       CAIRO_FORMAT_ARGB32, bitmap.width(),
                                                       bitmap.height(), bitmap.strideBytes())) {}
    ~SurfaceView() {
        cairo_surface_flush(surface_);
        cairo_surface_destroy(surface_);
    }
    SurfaceView(const SurfaceView&) = delete;
    SurfaceView& operator=(const SurfaceView&) = delete;

    bool usable() const { return cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS; }
    cairo_surface_t* get() const { return surface_; }

  private:
    cairo_surface_t* surface_;
};

// A context on the target with the canvas clip. Rectangles sit on whole pixels.
class ClippedContext {
  public:
    ClippedContext(const SurfaceView& target, const Rect& clip) : cr_(cairo_create(target.get())) {
        cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
        cairo_rectangle(cr_, clip.left, clip.top, clip.width(), clip.height());
        cairo_clip(cr_);
    }
    ~ClippedContext() { cairo_destroy(cr_); }
    ClippedContext(const ClippedContext&) = delete;
    ClippedContext& operator=(const ClippedContext&) = delete;

    cairo_t* get() const { return cr_; }

  private:
    cairo_t* cr_;
};

class CairoDrawing : public Drawing {
  public:
    void fill(Bitmap& target, const Rect& clip, const Rect& area, uint32_t pixel) override {
        // Cut to the clip first: cairo's fixed point cannot hold coordinates past 2^23.
        const Rect box = intersection(clip, area);
        const SurfaceView surface(target);
        if (!surface.usable() || box.isEmpty()) {
            return;
        }
        const ClippedContext context(surface, clip);
        cairo_t* cr = context.get();
        if ((pixel >> 24) == 0) {
            cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        } else {
            cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
            cairo_set_source_rgb(cr, (pixel >> 16 & 0xFF) / 255.0, (pixel >> 8 & 0xFF) / 255.0,
                                 (pixel & 0xFF) / 255.0);
        }
        cairo_rectangle(cr, box.left, box.top, box.width(), box.height());
        cairo_fill(cr);
    }

    void blit(Bitmap& target, const Rect& clip, const Bitmap& source, const BlitRect& from,
              const BlitRect& to, BlitMode mode, BlitFilter filter) override {
        const SurfaceView surface(target);
        const SurfaceView sourceSurface(source);
        if (!surface.usable() || !sourceSurface.usable()) {
            return;
        }
        const ClippedContext context(surface, clip);
        cairo_t* cr = context.get();
        // A view of just the source part, padded at its edges, so sampling never strays into
        // the neighbouring pieces of the image.
        cairo_surface_t* part = cairo_surface_create_for_rectangle(sourceSurface.get(), from.x,
                                                                   from.y, from.width, from.height);
        cairo_pattern_t* pattern = cairo_pattern_create_for_surface(part);
        cairo_matrix_t matrix;
        cairo_matrix_init_scale(&matrix, static_cast<double>(from.width) / to.width,
                                static_cast<double>(from.height) / to.height);
        cairo_matrix_translate(&matrix, -to.x, -to.y);
        cairo_pattern_set_matrix(pattern, &matrix);
        cairo_pattern_set_filter(
            pattern, filter == BlitFilter::Smooth ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);

        cairo_set_operator(cr,
                           mode == BlitMode::Copy ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
        cairo_set_source(cr, pattern);
        cairo_rectangle(cr, to.x, to.y, to.width, to.height);
        cairo_fill(cr);

        cairo_pattern_destroy(pattern);
        cairo_surface_destroy(part);
    }
};

}  // namespace

Drawing& cairoDrawing() {
    static CairoDrawing drawing;
    return drawing;
}

}  // namespace tamlo::render
