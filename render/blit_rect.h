#pragma once

#include <cstdint>

namespace tamlo::render {

// A rectangle as origin and size, the way blits take their arguments.
struct BlitRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

enum class BlitMode {
    Copy,        // replaces the destination pixels (opaque images)
    SourceOver,  // premultiplied source-over (images with alpha)
};

enum class BlitFilter {
    Nearest,  // whole source pixels: stretches within one density stay as they were
    Smooth,   // bilinear: an image resampled to another density than its own
};

}  // namespace tamlo::render
