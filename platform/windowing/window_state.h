#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/windowing/frame_composition.h"
#include "platform/windowing/native_window.h"
#include "platform/windowing/window_registry.h"

// The state behind the window services, shared by the services, the input and the
// backends. UI thread only: nothing here is locked.
namespace tamlo::platform {

// The class of tooltip windows (createTooltipWindow).
inline constexpr char16_t kTooltipClassName[] = u"tooltips_class32";

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

}  // namespace tamlo::platform
