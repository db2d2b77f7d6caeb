#pragma once

#include <cstdint>
#include <string>

namespace tamlo::test {

// PNG bytes of a width x height image whose pixel colour is `rgbaAt(x, y)` (0xRRGGBBAA).
std::string pngOf(int32_t width, int32_t height, uint32_t (*rgbaAt)(int32_t x, int32_t y));
std::string solidPng(int32_t width, int32_t height, uint32_t rgba);

}  // namespace tamlo::test
