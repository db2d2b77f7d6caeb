#pragma once

#include <string_view>

#include "platform/geometry.h"
#include "render/drawing_context.h"

namespace tamlo::dui {

class Control;

using render::DrawingContext;

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
