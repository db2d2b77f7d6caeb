#pragma once

#include <cstdint>

namespace tamlo::render::raster {

// a × b / 255 for bytes, rounded to nearest.
inline uint32_t multiplyBytes(uint32_t a, uint32_t b) {
    const uint32_t t = a * b + 0x80;
    return ((t >> 8) + t) >> 8;
}

// Premultiplied source-over of two A<<24 | R<<16 | G<<8 | B words: each byte becomes
// source + destination × (255 − source alpha) / 255, saturating at 255.
inline uint32_t sourceOver(uint32_t source, uint32_t destination) {
    const uint32_t alpha = source >> 24;
    if (alpha == 0xFF) {
        return source;
    }
    if (source == 0) {
        return destination;
    }
    const uint32_t keep = 255 - alpha;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t sum =
            (source >> shift & 0xFF) + multiplyBytes(destination >> shift & 0xFF, keep);
        out |= (sum > 0xFF ? 0xFFu : sum) << shift;
    }
    return out;
}

}  // namespace tamlo::render::raster
