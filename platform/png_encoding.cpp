#include "platform/png_encoding.h"

#include <stb_image_write.h>

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
        const uint32_t word = argb[i];
        const unsigned alpha = word >> 24;
        const unsigned channel[3] = {(word >> 16) & 0xFF, (word >> 8) & 0xFF, word & 0xFF};
        for (int c = 0; c < 3; ++c) {
            // Premultiplied channels never exceed alpha; clamp damaged input anyway.
            const unsigned value = alpha == 0 ? 0 : (channel[c] * 255 + alpha / 2) / alpha;
            rgba[i * 4 + c] = static_cast<uint8_t>(value > 255 ? 255 : value);
        }
        rgba[i * 4 + 3] = static_cast<uint8_t>((alpha * constantAlpha + 127) / 255);
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
