#pragma once

#include "dui/core/control.h"
#include "platform/geometry.h"
#include "render/canvas.h"

namespace tamlo::render {

// The window's paint of one area (a paint rectangle, or one dirty rectangle of a layered
// window): clipped to `area`, with the style set's "Default" font selected, the root is
// painted with its own rectangle. The canvas's clip and font are as before afterwards.
void paintArea(Canvas& canvas, dui::Control& root, const Rect& area);

}  // namespace tamlo::render
