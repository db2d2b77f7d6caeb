#pragma once

#include <cstdint>

namespace tamlo::render {

// A Win32 COLORREF: 0x00BBGGRR, red in the lowest byte.
using ColorRef = uint32_t;

constexpr ColorRef rgb(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<ColorRef>(red) | static_cast<ColorRef>(green) << 8 |
           static_cast<ColorRef>(blue) << 16;
}
constexpr uint8_t redOf(ColorRef color) {
    return static_cast<uint8_t>(color & 0xFF);
}
constexpr uint8_t greenOf(ColorRef color) {
    return static_cast<uint8_t>(color >> 8 & 0xFF);
}
constexpr uint8_t blueOf(ColorRef color) {
    return static_cast<uint8_t>(color >> 16 & 0xFF);
}

// The surface word A<<24 | R<<16 | G<<8 | B of an opaque colour.
constexpr uint32_t opaquePixel(ColorRef color) {
    return 0xFF000000u | static_cast<uint32_t>(redOf(color)) << 16 |
           static_cast<uint32_t>(greenOf(color)) << 8 | blueOf(color);
}

}  // namespace tamlo::render
