#include "platform/headless/screenshot.h"

#include <stb_image_write.h>

#include "platform/windowing/window_state.h"

namespace tamlo::platform {

std::vector<uint8_t> unpremultipliedRgba(const WindowPixels& pixels, uint8_t constantAlpha) {
    std::size_t count = static_cast<std::size_t>(pixels.width) * pixels.height;
    std::vector<uint8_t> rgba(count * 4, 0);
    for (std::size_t i = 0; i < count && i < pixels.pixels.size(); ++i) {
        uint32_t word = pixels.pixels[i];
        unsigned alpha = word >> 24;
        unsigned channel[3] = {(word >> 16) & 0xFF, (word >> 8) & 0xFF, word & 0xFF};
        for (int c = 0; c < 3; ++c) {
            // Premultiplied channels never exceed alpha; clamp damaged input anyway.
            unsigned value = alpha == 0 ? 0 : (channel[c] * 255 + alpha / 2) / alpha;
            rgba[i * 4 + c] = static_cast<uint8_t>(value > 255 ? 255 : value);
        }
        rgba[i * 4 + 3] = static_cast<uint8_t>((alpha * constantAlpha + 127) / 255);
    }
    return rgba;
}

std::vector<uint8_t> windowRgba(WindowHandle window, int* width, int* height) {
    auto* state = nativeWindowState(window);
    WindowPixels pixels;
    if (state == nullptr || !copyWindowPixels(window, pixels)) {
        *width = *height = 0;
        return {};
    }
    std::vector<uint8_t> rgba;
    if (state->isLayered()) {
        rgba = unpremultipliedRgba(pixels, state->constantAlpha);
    } else {
        rgba.resize(pixels.pixels.size() * 4);
        for (std::size_t i = 0; i < pixels.pixels.size(); ++i) {
            uint32_t word = pixels.pixels[i];
            rgba[i * 4] = static_cast<uint8_t>(word >> 16);
            rgba[i * 4 + 1] = static_cast<uint8_t>(word >> 8);
            rgba[i * 4 + 2] = static_cast<uint8_t>(word);
            rgba[i * 4 + 3] = 255;
        }
    }
    if (state->region) {
        for (int y = 0; y < pixels.height; ++y) {
            auto [left, right] = roundRegionRowSpan(*state->region, y);
            for (int x = 0; x < pixels.width; ++x) {
                if (x < left || x >= right) {
                    rgba[(static_cast<std::size_t>(y) * pixels.width + x) * 4 + 3] = 0;
                }
            }
        }
    }
    *width = pixels.width;
    *height = pixels.height;
    return rgba;
}

bool saveWindowScreenshot(WindowHandle window, const std::string& path, std::string* error) {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba = windowRgba(window, &width, &height);
    if (width <= 0 || height <= 0) {
        if (error) {
            *error = isWindow(window) ? "the window has no area" : "no such window";
        }
        return false;
    }
    if (!stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4)) {
        if (error) {
            *error = "cannot write " + path;
        }
        return false;
    }
    return true;
}

}  // namespace tamlo::platform
