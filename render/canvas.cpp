#include "render/canvas.h"

#include <cmath>

namespace tamlo::render {

Canvas::Canvas(cairo_surface_t* target)
    : cairo_(cairo_create(target)), state_{&Font::defaultGui(), 0} {
    // Rectangles sit on whole pixels; only text is antialiased.
    cairo_set_antialias(cairo_, CAIRO_ANTIALIAS_NONE);
}

Canvas::~Canvas() {
    cairo_destroy(cairo_);
}

void Canvas::save() {
    cairo_save(cairo_);
    saved_.push_back(state_);
}

void Canvas::restore() {
    if (saved_.empty()) {
        return;  // cairo would enter a permanent error state
    }
    cairo_restore(cairo_);
    state_ = saved_.back();
    saved_.pop_back();
}

void Canvas::clipTo(const Rect& area) {
    const Rect box = area.isEmpty() ? Rect{} : area;
    cairo_rectangle(cairo_, box.left, box.top, box.width(), box.height());
    cairo_clip(cairo_);
}

Rect Canvas::clipBounds() const {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(cairo_, &x1, &y1, &x2, &y2);
    return Rect{static_cast<int32_t>(std::floor(x1)), static_cast<int32_t>(std::floor(y1)),
                static_cast<int32_t>(std::ceil(x2)), static_cast<int32_t>(std::ceil(y2))};
}

const Font* Canvas::selectFont(const Font* font) {
    const Font* previous = state_.font;
    if (font != nullptr) {
        state_.font = font;
    }
    return previous;
}

ColorRef Canvas::setTextColor(ColorRef color) {
    const ColorRef previous = state_.textColor;
    state_.textColor = color;
    return previous;
}

void Canvas::fillRect(const Rect& area, ColorRef color) {
    if (area.isEmpty()) {
        return;
    }
    cairo_save(cairo_);
    cairo_set_operator(cairo_, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgb(cairo_, redOf(color) / 255.0, greenOf(color) / 255.0,
                         blueOf(color) / 255.0);
    cairo_rectangle(cairo_, area.left, area.top, area.width(), area.height());
    cairo_fill(cairo_);
    cairo_restore(cairo_);
}

}  // namespace tamlo::render
