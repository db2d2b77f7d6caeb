#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tamlo::platform {

// Straight-alpha R, G, B, A bytes of `count` premultiplied ARGB32 words, the alpha scaled
// by `constantAlpha` (255 keeps it). Channels above their alpha (damaged input) clamp.
std::vector<uint8_t> unpremultipliedRgba(const uint32_t* argb, std::size_t count,
                                         uint8_t constantAlpha = 255);

// PNG bytes of width x height straight RGBA pixels, row after row. Empty on failure.
std::string pngBytes(const std::vector<uint8_t>& rgba, int32_t width, int32_t height);

// Writes the same PNG to `path`. False when it cannot be written.
bool writePng(const std::string& path, const std::vector<uint8_t>& rgba, int32_t width,
              int32_t height);

// The same for premultiplied ARGB32 words, un-premultiplied first.
std::string premultipliedPngBytes(const uint32_t* argb, int32_t width, int32_t height);
bool writePremultipliedPng(const std::string& path, const uint32_t* argb, int32_t width,
                           int32_t height);

}  // namespace tamlo::platform
