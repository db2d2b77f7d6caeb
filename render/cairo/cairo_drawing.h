#pragma once

#include "render/drawing.h"

namespace tamlo::render {

// Drawing with cairo on image surfaces over the bitmaps' own pixels.
Drawing& cairoDrawing();

}  // namespace tamlo::render
