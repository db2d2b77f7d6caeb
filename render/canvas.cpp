#include "render/canvas.h"

namespace tamlo::render {

Canvas::Canvas(Bitmap& target, double scale) : Canvas(target, buildDrawing(), scale) {}

Canvas::Canvas(Bitmap& target, Drawing& drawing, double scale)
    : target_(target),
      drawing_(drawing),
      scale_(scale > 0 ? scale : 1.0),
      state_{&Font::defaultGui(), 0, Rect{0, 0, target.width(), target.height()}} {}

void Canvas::save() {
    saved_.push_back(state_);
}

void Canvas::restore() {
    if (saved_.empty()) {
        return;
    }
    state_ = saved_.back();
    saved_.pop_back();
}

void Canvas::clipTo(const Rect& area) {
    state_.clip = intersection(state_.clip, toDevice(area));
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
    if (!area.isEmpty() && !state_.clip.isEmpty()) {
        drawing_.fill(target_, state_.clip, toDevice(area), opaquePixel(color));
    }
}

void Canvas::clearRect(const Rect& area) {
    if (!area.isEmpty() && !state_.clip.isEmpty()) {
        drawing_.fill(target_, state_.clip, toDevice(area), 0u);
    }
}

}  // namespace tamlo::render
