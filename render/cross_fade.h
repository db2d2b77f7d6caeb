#pragma once

#include <cstdint>

#include "render/bitmap.h"

namespace tamlo::render {

// destination = (second × (256 − weight) + first × weight) >> 8, byte by byte, alpha
// included; weight 0 gives `second` exactly. Bitmaps of different sizes leave the
// destination untouched. Returns the destination.
Bitmap& crossFade(Bitmap& destination, const Bitmap& first, const Bitmap& second, uint8_t weight);

}  // namespace tamlo::render
