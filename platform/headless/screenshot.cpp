#include "platform/headless/screenshot.h"

#include <algorithm>

#include "platform/desktop.h"
#include "platform/png_encoding.h"

namespace tamlo::platform {

std::vector<uint8_t> unpremultipliedRgba(const WindowPixels& pixels, uint8_t constantAlpha) {
    const std::size_t count = static_cast<std::size_t>(pixels.width) * pixels.height;
    std::vector<uint8_t> rgba = unpremultipliedRgba(
        pixels.pixels.data(), std::min(count, pixels.pixels.size()), constantAlpha);
    rgba.resize(count * 4, 0);  // words missing from a short buffer stay clear
    return rgba;
}

std::vector<uint8_t> windowRgba(WindowHandle window, int* width, int* height) {
    auto* state = windowView(window);
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
        const RoundRegion region = deviceRegion(*state->region, state->scale);
        for (int y = 0; y < pixels.height; ++y) {
            auto [left, right] = roundRegionRowSpan(region, y);
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
    if (!writePng(path, rgba, width, height)) {
        if (error) {
            *error = "cannot write " + path;
        }
        return false;
    }
    return true;
}

}  // namespace tamlo::platform
