#include "render/blit.h"

namespace tamlo::render {

namespace {

bool inside(const BlitRect& part, int32_t width, int32_t height) {
    return part.x >= 0 && part.y >= 0 && part.width <= width - part.x &&
           part.height <= height - part.y;
}

}  // namespace

bool blit(Canvas& canvas, cairo_surface_t* source, int32_t sourceWidth, int32_t sourceHeight,
          const BlitRect& from, const BlitRect& to, BlitMode mode) {
    if (source == nullptr || from.width <= 0 || from.height <= 0 || to.width <= 0 ||
        to.height <= 0 || !inside(from, sourceWidth, sourceHeight)) {
        return false;
    }
    cairo_t* cr = canvas.cairo();
    // A view of just the source part, padded at its edges, so sampling never strays into
    // the neighbouring pieces of the image.
    cairo_surface_t* part =
        cairo_surface_create_for_rectangle(source, from.x, from.y, from.width, from.height);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(part);
    cairo_matrix_t matrix;
    cairo_matrix_init_scale(&matrix, static_cast<double>(from.width) / to.width,
                            static_cast<double>(from.height) / to.height);
    cairo_matrix_translate(&matrix, -to.x, -to.y);
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);

    cairo_save(cr);
    cairo_set_operator(cr, mode == BlitMode::Copy ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
    cairo_set_source(cr, pattern);
    cairo_rectangle(cr, to.x, to.y, to.width, to.height);
    cairo_fill(cr);
    cairo_restore(cr);

    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(part);
    return true;
}

bool drawBitmap(Canvas& canvas, const Bitmap& source, int32_t x, int32_t y) {
    if (source.isEmpty()) {
        return false;
    }
    // A read-only view: the surface is only ever a source here.
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        const_cast<uint8_t*>(source.bytes()), CAIRO_FORMAT_ARGB32, source.width(), source.height(),
        source.strideBytes());
    bool drew = false;
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        const BlitRect whole{0, 0, source.width(), source.height()};
        drew = blit(canvas, surface, source.width(), source.height(), whole,
                    BlitRect{x, y, source.width(), source.height()}, BlitMode::SourceOver);
    }
    cairo_surface_destroy(surface);
    return drew;
}

}  // namespace tamlo::render
