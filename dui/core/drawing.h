#pragma once

#include <string_view>

#include "dui/core/geometry.h"

namespace tamlo::dui {

class Control;

// The renderer's drawing surface as the paint walk sees it: a clip stack over a
// surface in window-client coordinates.
class DrawingContext {
  public:
    virtual ~DrawingContext() = default;
    virtual void save() = 0;
    virtual void restore() = 0;
    // Limits drawing to `area` until the matching restore.
    virtual void clipTo(const Rect& area) = 0;
};

// Where a control's `style` attribute is resolved and drawn. The style set installs
// itself here; without one, or for a name it cannot load, nothing is drawn.
class StyleLookup {
  public:
    virtual ~StyleLookup() = default;
    // Draws the style named `name` for `control` within `bounds`; false when no such style.
    virtual bool drawStyle(std::u16string_view name, DrawingContext& context, const Rect& bounds,
                           Control& control) = 0;
};

void setStyleLookup(StyleLookup* lookup);
StyleLookup* styleLookup();

}  // namespace tamlo::dui
