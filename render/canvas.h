#pragma once

#include <cairo.h>

#include <vector>

#include "platform/geometry.h"
#include "render/color.h"
#include "render/drawing_context.h"
#include "render/font.h"

namespace tamlo::render {

// A drawing context over a cairo surface, in the surface's pixel coordinates: a clip stack,
// the selected font and the text colour. save/restore keep all three, as SaveDC does.
class Canvas : public DrawingContext {
  public:
    // Holds a reference to `target` for its lifetime.
    explicit Canvas(cairo_surface_t* target);
    ~Canvas() override;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void save() override;
    // A restore without a matching save does nothing.
    void restore() override;
    void clipTo(const Rect& area) override;
    // The bounding box of the current clip.
    Rect clipBounds() const;

    // Selects `font` and returns the previous one; null selects nothing and returns the current.
    const Font* selectFont(const Font* font);
    const Font& font() const { return *state_.font; }
    // Returns the previous colour.
    ColorRef setTextColor(ColorRef color);
    ColorRef textColor() const { return state_.textColor; }

    // Fills `area` (within the clip) with an opaque colour.
    void fillRect(const Rect& area, ColorRef color);

    cairo_t* cairo() const { return cairo_; }
    cairo_surface_t* target() const { return cairo_get_target(cairo_); }

  private:
    struct State {
        const Font* font;
        ColorRef textColor;
    };
    cairo_t* cairo_;
    State state_;
    std::vector<State> saved_;
};

}  // namespace tamlo::render
