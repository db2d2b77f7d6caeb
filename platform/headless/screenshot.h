#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/desktop.h"

namespace tamlo::platform {

// Straight-alpha RGBA bytes of what a window shows: a layered window's premultiplied
// pixels are un-premultiplied and scaled by its constant alpha; any other window is
// opaque. Pixels outside the window's region are clear.
std::vector<uint8_t> windowRgba(WindowHandle window, int* width, int* height);

// Un-premultiplies ARGB32 words into RGBA bytes.
std::vector<uint8_t> unpremultipliedRgba(const WindowPixels& pixels, uint8_t constantAlpha);

// Writes a PNG of the window's contents. False with `error` set when there is no such
// window, it has no area, or the file cannot be written.
bool saveWindowScreenshot(WindowHandle window, const std::string& path, std::string* error);

}  // namespace tamlo::platform
