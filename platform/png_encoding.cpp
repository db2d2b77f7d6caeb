#include "platform/png_encoding.h"

#include <stb_image_write.h>

#include "platform/windowing/frame_composition.h"

namespace tamlo::platform {
namespace {

std::size_t pixelCount(int32_t width, int32_t height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

}  // namespace

std::vector<uint8_t> unpremultipliedRgba(const uint32_t* argb, std::size_t count,
                                         uint8_t constantAlpha) {
    std::vector<uint8_t> rgba(count * 4, 0);
    for (std::size_t i = 0; i < count; ++i) {
        const uint32_t word = straightAlpha(argb[i]);
        rgba[i * 4] = static_cast<uint8_t>(word >> 16);
        rgba[i * 4 + 1] = static_cast<uint8_t>(word >> 8);
        rgba[i * 4 + 2] = static_cast<uint8_t>(word);
        rgba[i * 4 + 3] = static_cast<uint8_t>(((word >> 24) * constantAlpha + 127) / 255);
    }
    return rgba;
}

std::string pngBytes(const std::vector<uint8_t>& rgba, int32_t width, int32_t height) {
    std::string out;
    if (width <= 0 || height <= 0 || rgba.size() < pixelCount(width, height) * 4) {
        return out;
    }
    stbi_write_png_to_func(
        [](void* context, void* data, int size) {
            static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                                       static_cast<std::size_t>(size));
        },
        &out, width, height, 4, rgba.data(), width * 4);
    return out;
}

bool writePng(const std::string& path, const std::vector<uint8_t>& rgba, int32_t width,
              int32_t height) {
    if (width <= 0 || height <= 0 || rgba.size() < pixelCount(width, height) * 4) {
        return false;
    }
    return stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4) != 0;
}

std::string premultipliedPngBytes(const uint32_t* argb, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) {
        return {};
    }
    return pngBytes(unpremultipliedRgba(argb, pixelCount(width, height)), width, height);
}

bool writePremultipliedPng(const std::string& path, const uint32_t* argb, int32_t width,
                           int32_t height) {
    if (width <= 0 || height <= 0) {
        return false;
    }
    return writePng(path, unpremultipliedRgba(argb, pixelCount(width, height)), width, height);
}

}  // namespace tamlo::platform
