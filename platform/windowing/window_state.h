#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/windowing/native_window.h"
#include "platform/windowing/window_registry.h"

// The state behind the window services, shared by the services, the input and the
// backends. UI thread only: nothing here is locked.
namespace tamlo::platform {

// The class of tooltip windows (createTooltipWindow).
inline constexpr char16_t kTooltipClassName[] = u"tooltips_class32";

struct NativeWindowState {
    WindowHandle handle = 0;
    WindowHandle owner = 0;
    uint32_t classStyle = 0;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    Rect rect;  // screen coordinates
    bool visible = false;
    bool iconic = false;
    bool enabled = true;
    bool clickThrough = false;
    bool tooltip = false;
    bool showAfterCreate = false;  // WS_VISIBLE at creation
    std::u16string text;
    WindowPixels icon;  // WM_SETICON, premultiplied; empty for none
    Rect invalid;
    WindowPixels surface;  // what the window shows, window-sized in device pixels
    double scale = 1.0;    // device pixels to a logical one
    uint8_t constantAlpha = 255;
    bool perPixelAlpha = true;
    std::optional<RoundRegion> region;
    std::optional<SlideReveal> reveal;  // while animateWindow slides it open

    bool isLayered() const;
    bool isTopmost() const;
    bool passesPointer() const { return clickThrough || tooltip; }
};

struct Desktop {
    std::map<WindowHandle, std::unique_ptr<NativeWindowState>> windows;
    std::vector<WindowHandle> zOrder;  // top first
    WindowHandle active = 0;
    WindowHandle focus = 0;
    WindowHandle capture = 0;
    Point cursor;
    uint32_t cursorId = 0;
    SystemMetrics metrics;
    double defaultScale = 1.0;
};

Desktop& desktop();
NativeWindowState* nativeWindowState(WindowHandle window);
// The started backend's native side, or null.
NativeWindows* nativeSide();

// Window lifecycle, called by the window registry: before WM_CREATE, after a successful
// WM_CREATE (shows a WS_VISIBLE window), before WM_DESTROY, after WM_NCDESTROY.
void nativeWindowCreating(WindowHandle window, const WindowCreation& creation);
void nativeWindowCreated(WindowHandle window);
void nativeWindowDestroying(WindowHandle window);
void nativeWindowDestroyed(WindowHandle window);

// Activation with a WA_ state (WA_CLICKACTIVE for a click); false when the window
// cannot be activated (hidden, disabled, a tooltip, WS_EX_NOACTIVATE).
bool activateWindow(WindowHandle window, uint32_t how);

// Posts WM_PAINT to a visible, non-layered window with something invalid, unless one
// is already waiting.
void postPaintOnce(NativeWindowState& state);

// Keeps the surface at the window's size (contents kept at the top left).
void fitSurface(NativeWindowState& state);
// Puts the window and the windows it owns at the top of its band of the z-order.
void bringToTop(WindowHandle window);

// Rounded-region geometry: whether a window point is inside, and the [left, right) span
// of one row (empty when the row is outside).
bool roundRegionContains(const RoundRegion& region, Point point);
std::pair<int, int> roundRegionRowSpan(const RoundRegion& region, int row);
// A window's region in its device pixels.
RoundRegion deviceRegion(const RoundRegion& region, double scale);

}  // namespace tamlo::platform
