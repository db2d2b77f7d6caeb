#include "render/cross_fade.h"

#include <array>

namespace tamlo::render {

namespace {

bool sameSize(const Bitmap& a, const Bitmap& b) {
    return a.width() == b.width() && a.height() == b.height();
}

}  // namespace

Bitmap& crossFade(Bitmap& destination, const Bitmap& first, const Bitmap& second, uint8_t weight) {
    if (!sameSize(destination, first) || !sameSize(destination, second)) {
        return destination;
    }
    // Two lookups, an addition and a shift per byte: no multiplication in the loop.
    std::array<uint32_t, 256> firstShare;
    std::array<uint32_t, 256> secondShare;
    for (uint32_t v = 0; v < 256; ++v) {
        firstShare[v] = v * weight;
        secondShare[v] = v * (256u - weight);
    }
    const uint8_t* a = first.bytes();
    const uint8_t* b = second.bytes();
    uint8_t* out = destination.bytes();
    for (size_t i = destination.byteCount(); i-- > 0;) {
        out[i] = static_cast<uint8_t>((secondShare[b[i]] + firstShare[a[i]]) >> 8);
    }
    return destination;
}

}  // namespace tamlo::render
