#pragma once

#include <cstdint>
#include <vector>

#include "render/back_buffer.h"
#include "render/image.h"

namespace tamlo::render::test {

// A small back buffer filled with one opaque colour.
inline void fill(BackBuffer& buffer, int32_t width, int32_t height, ColorRef color) {
    buffer.resize(width, height);
    buffer.canvas()->fillRect({0, 0, width, height}, color);
}

// An image whose pixels are given by `rgbaAt(x, y)` as 0xRRGGBBAA.
template <typename Function>
void makeImage(Image& image, int32_t width, int32_t height, Function rgbaAt) {
    std::vector<uint8_t> rgba;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t value = rgbaAt(x, y);
            for (int shift : {24, 16, 8, 0}) {
                rgba.push_back(static_cast<uint8_t>(value >> shift));
            }
        }
    }
    image.loadRgba(rgba.data(), width, height);
}

}  // namespace tamlo::render::test
