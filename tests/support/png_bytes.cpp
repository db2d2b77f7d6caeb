#include "support/png_bytes.h"

#include <vector>

#include "platform/png_encoding.h"

namespace tamlo::test {
namespace {

uint32_t gSolid = 0;

}  // namespace

std::string pngOf(int32_t width, int32_t height, uint32_t (*rgbaAt)(int32_t x, int32_t y)) {
    std::vector<uint8_t> rgba;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t value = rgbaAt(x, y);
            for (int shift : {24, 16, 8, 0}) {
                rgba.push_back(static_cast<uint8_t>(value >> shift));
            }
        }
    }
    return platform::pngBytes(rgba, width, height);
}

std::string solidPng(int32_t width, int32_t height, uint32_t rgba) {
    gSolid = rgba;
    return pngOf(width, height, [](int32_t, int32_t) { return gSolid; });
}

}  // namespace tamlo::test
