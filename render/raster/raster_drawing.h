#pragma once

#include "render/drawing.h"

namespace tamlo::render {

// Drawing with our own loops over premultiplied pixels, giving the same pixels as the
// Linux drawing library for the same calls.
Drawing& rasterDrawing();

}  // namespace tamlo::render
