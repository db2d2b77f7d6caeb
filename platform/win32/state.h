#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "platform/desktop.h"

#include "platform/win32/window_api.h"

// The Windows backend's private state, in one place: owned by the backend object and
// reached by the window procedure and the native timers, which carry no pointer of ours,
// through backendState().
namespace tamlo::platform::win32native {

struct NativeWindow {
    HWND hwnd = nullptr;
    // The window's pixels as a 32-bit top-down DIB section, selected into its own DC.
    HDC memoryDc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    HICON icon = nullptr;
    bool trackingLeave = false;
    std::optional<std::vector<Rect>> appliedShape;
    bool shapeApplied = false;
    bool systemTooltip = false;  // a "tooltips_class32" window, not one of our class
};

struct BackendState {
    std::map<WindowHandle, NativeWindow> windows;
    // Set while this side moves or restacks a native window itself, so the native echo of
    // the change is not taken for the user's doing.
    int placingDepth = 0;
    int capturingDepth = 0;
    // The key of the last WM_KEYDOWN, to tell a native WM_CHAR the engine already typed.
    uint32_t lastKeyDown = 0;
    // How many native modal loops are open, and the innermost one whose timer is
    // dispatching the engine's queue right now.
    int modalDepth = 0;
    int pumpingDepth = 0;
};

// The living backend's state; null before it starts and after it stops.
BackendState* backendState();

// The native side of an engine window, or null.
NativeWindow* findNative(WindowHandle window);

// The engine window an HWND of the engine's window class stands for; 0 for any other.
WindowHandle handleOf(HWND hwnd);

}  // namespace tamlo::platform::win32native
