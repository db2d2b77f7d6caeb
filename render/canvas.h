#pragma once

#include <vector>

#include "platform/display_scale.h"
#include "platform/geometry.h"
#include "render/bitmap.h"
#include "render/color.h"
#include "render/drawing.h"
#include "render/drawing_context.h"
#include "render/font.h"

namespace tamlo::render {

// A drawing context over a Bitmap: a clip stack, the selected font and the text colour.
// save/restore keep all three, as SaveDC does. Callers draw in logical pixels; the bitmap
// holds device pixels, `scale` of them to a logical one. The pixel work goes to a Drawing,
// the build's own unless one is given.
class Canvas : public DrawingContext {
  public:
    // Refers to `target` for its lifetime; the clip starts as the whole bitmap.
    explicit Canvas(Bitmap& target, double scale = 1.0);
    Canvas(Bitmap& target, Drawing& drawing, double scale = 1.0);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void save() override;
    // A restore without a matching save does nothing.
    void restore() override;
    void clipTo(const Rect& area) override;
    // The bounding box of the current clip, in device pixels.
    Rect clipBounds() const { return state_.clip; }

    double scale() const { return scale_; }
    // A logical rectangle in the bitmap's pixels.
    Rect toDevice(const Rect& logical) const { return tamlo::toDevice(logical, scale_); }

    // Selects `font` and returns the previous one; null selects nothing and returns the current.
    const Font* selectFont(const Font* font);
    const Font& font() const { return *state_.font; }
    // Returns the previous colour.
    ColorRef setTextColor(ColorRef color);
    ColorRef textColor() const { return state_.textColor; }

    // Fills `area` (within the clip) with an opaque colour.
    void fillRect(const Rect& area, ColorRef color);
    // Makes `area` (within the clip) transparent black.
    void clearRect(const Rect& area);

    Bitmap& target() const { return target_; }
    Drawing& drawing() const { return drawing_; }

  private:
    struct State {
        const Font* font;
        ColorRef textColor;
        Rect clip;
    };
    Bitmap& target_;
    Drawing& drawing_;
    double scale_;
    State state_;
    std::vector<State> saved_;
};

}  // namespace tamlo::render
