#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_queue.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/window_state.h"

namespace tamlo::platform {

using namespace tamlo::win32;

namespace {

void contentsChanged(WindowHandle window, const Rect& area) {
    if (NativeWindows* native = nativeSide()) {
        native->windowContentsChanged(window, area);
    }
}

void shapeChanged(WindowHandle window) {
    if (NativeWindows* native = nativeSide()) {
        native->windowShapeChanged(window);
    }
}

// Copies the part of `area` that lies inside both the source and the surface.
Rect copyPixels(WindowPixels& surface, const PixelView& source, const Rect& area) {
    if (source.pixels == nullptr || source.width <= 0 || source.height <= 0 ||
        source.strideBytes < source.width * 4) {
        return Rect{};
    }
    Rect clipped = intersection(intersection(area, Rect{0, 0, source.width, source.height}),
                                Rect{0, 0, surface.width, surface.height});
    if (clipped.isEmpty()) {
        return Rect{};
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(source.pixels);
    for (int y = clipped.top; y < clipped.bottom; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(
            bytes + static_cast<std::size_t>(y) * static_cast<std::size_t>(source.strideBytes));
        std::memcpy(&surface.pixels[static_cast<std::size_t>(y) * surface.width + clipped.left],
                    row + clipped.left, static_cast<std::size_t>(clipped.width()) * 4);
    }
    return clipped;
}

}  // namespace

void postPaintOnce(NativeWindowState& state) {
    if (!state.visible || state.isLayered() || state.invalid.isEmpty()) {
        return;
    }
    // One WM_PAINT waits at a time; a window that did not validate gets a new one.
    auto queue = uiQueueIfAny();
    Message waiting;
    if (queue && !queue->take(waiting, state.handle, WM_PAINT, WM_PAINT, false)) {
        postMessage(state.handle, WM_PAINT, 0, 0);
    }
}

bool invalidateRect(WindowHandle window, const Rect* area) {
    auto* state = nativeWindowState(window);
    if (state == nullptr) {
        return false;
    }
    if (state->isLayered()) {
        return true;
    }
    Rect client{0, 0, state->rect.width(), state->rect.height()};
    Rect added = area ? intersection(*area, client) : client;
    state->invalid = unionOf(state->invalid, added);
    postPaintOnce(*state);
    return true;
}

bool updateWindow(WindowHandle window) {
    auto* state = nativeWindowState(window);
    if (state == nullptr) {
        return false;
    }
    if (state->visible && !state->isLayered() && !state->invalid.isEmpty()) {
        sendMessage(window, WM_PAINT, 0, 0);
    }
    return true;
}

Rect beginPaint(WindowHandle window) {
    auto* state = nativeWindowState(window);
    if (state == nullptr) {
        return Rect{};
    }
    Rect invalid = state->invalid;
    state->invalid = Rect{};
    return invalid;
}

bool blitToWindow(WindowHandle window, const PixelView& source, const Rect& area) {
    auto* state = nativeWindowState(window);
    if (state == nullptr) {
        return false;
    }
    fitSurface(*state);
    Rect copied = copyPixels(state->surface, source, area);
    if (!copied.isEmpty()) {
        contentsChanged(window, copied);
    }
    return true;
}

bool updateLayeredWindow(WindowHandle window, const PixelView& source, uint8_t constantAlpha,
                         bool perPixelAlpha) {
    auto* state = nativeWindowState(window);
    if (state == nullptr || !state->isLayered()) {
        return false;
    }
    fitSurface(*state);
    std::fill(state->surface.pixels.begin(), state->surface.pixels.end(), 0u);
    copyPixels(state->surface, source, Rect{0, 0, source.width, source.height});
    if (!perPixelAlpha) {
        for (uint32_t& pixel : state->surface.pixels) {
            pixel |= 0xFF000000u;
        }
    }
    state->constantAlpha = constantAlpha;
    state->perPixelAlpha = perPixelAlpha;
    contentsChanged(window, Rect{0, 0, state->surface.width, state->surface.height});
    return true;
}

bool copyWindowPixels(WindowHandle window, WindowPixels& out) {
    auto* state = nativeWindowState(window);
    if (state == nullptr) {
        return false;
    }
    fitSurface(*state);
    out = state->surface;
    return true;
}

uint8_t windowConstantAlpha(WindowHandle window) {
    auto* state = nativeWindowState(window);
    return state ? state->constantAlpha : 0;
}

bool setWindowRegion(WindowHandle window, const RoundRegion* region) {
    auto* state = nativeWindowState(window);
    if (state == nullptr) {
        return false;
    }
    if (region) {
        state->region = *region;
    } else {
        state->region.reset();
    }
    shapeChanged(window);
    return true;
}

bool windowRegion(WindowHandle window, RoundRegion& out) {
    auto* state = nativeWindowState(window);
    if (state == nullptr || !state->region) {
        return false;
    }
    out = *state->region;
    return true;
}

bool setWindowClickThrough(WindowHandle window, bool clickThrough) {
    auto* state = nativeWindowState(window);
    if (state == nullptr) {
        return false;
    }
    if (state->clickThrough != clickThrough) {
        state->clickThrough = clickThrough;
        shapeChanged(window);
    }
    return true;
}

bool isWindowClickThrough(WindowHandle window) {
    auto* state = nativeWindowState(window);
    return state && state->passesPointer();
}

std::pair<int, int> roundRegionRowSpan(const RoundRegion& region, int row) {
    const Rect& b = region.bounds;
    if (row < b.top || row >= b.bottom || b.isEmpty()) {
        return {0, 0};
    }
    double rx = std::min(std::max(region.ellipseWidth, 0), b.width()) / 2.0;
    double ry = std::min(std::max(region.ellipseHeight, 0), b.height()) / 2.0;
    double inset = 0;
    if (rx > 0 && ry > 0) {
        double centre = row + 0.5;
        double dy = 0;
        if (centre < b.top + ry) {
            dy = b.top + ry - centre;
        } else if (centre > b.bottom - ry) {
            dy = centre - (b.bottom - ry);
        }
        double t = std::min(1.0, dy / ry);
        inset = rx - rx * std::sqrt(1.0 - t * t);
    }
    // A pixel is inside when its centre is.
    int left = static_cast<int>(std::ceil(b.left + inset - 0.5));
    int right = static_cast<int>(std::floor(b.right - inset - 0.5)) + 1;
    if (right <= left) {
        return {0, 0};
    }
    return {left, right};
}

bool roundRegionContains(const RoundRegion& region, Point point) {
    auto [left, right] = roundRegionRowSpan(region, point.y);
    return point.x >= left && point.x < right;
}

}  // namespace tamlo::platform
