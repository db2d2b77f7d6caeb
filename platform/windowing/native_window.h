#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/backend.h"
#include "platform/geometry.h"
#include "platform/windowing/window_constants.h"

// The window services of the engine, with Win32 semantics, over the windows of
// platform/windowing/window_registry.h. Every window made by createWindow gets a native part
// before its procedure sees WM_CREATE: bounds, visibility, z-order, activation, focus,
// capture, shown pixels and shape. State changes send the messages Win32 sends
// (WM_MOVE, WM_SIZE, WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS,
// WM_CAPTURECHANGED) and are mirrored to the started backend's NativeWindows.
// UI thread only; failures return false or 0.
namespace tamlo::platform {

// Premultiplied 32-bit ARGB words (cairo's ARGB32), rows `strideBytes` apart.
struct PixelView {
    const uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int strideBytes = 0;
};

// A copy of what a window shows: premultiplied ARGB words, `width` per row.
struct WindowPixels {
    std::vector<uint32_t> pixels;
    int width = 0;
    int height = 0;
};

// CreateRoundRectRgn(bounds, ellipseWidth, ellipseHeight) in window coordinates.
struct RoundRegion {
    Rect bounds;
    int ellipseWidth = 0;
    int ellipseHeight = 0;
};

// ---- Bounds and state ---------------------------------------------------------------

// SetWindowPos: SWP_NOMOVE, SWP_NOSIZE, SWP_NOZORDER, SWP_NOACTIVATE, SWP_SHOWWINDOW and
// SWP_HIDEWINDOW are honoured. A move sends WM_MOVE (the client origin in screen
// coordinates), a resize WM_SIZE (SIZE_RESTORED, width | height << 16), in that order.
// Showing or hiding through the flags sends no WM_SHOWWINDOW, as on Win32.
bool setWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int width,
                  int height, uint32_t flags);
bool moveWindow(WindowHandle window, int x, int y, int width, int height);

// ShowWindow with an SW_ command. Sends WM_SHOWWINDOW when visibility changes and
// activates for the commands that do. Returns whether the window was visible before.
bool showWindow(WindowHandle window, int command);
bool isWindowVisible(WindowHandle window);
// AnimateWindow for showing with AW_SLIDE and a vertical direction (AW_VER_POSITIVE: from
// the top edge down; AW_VER_NEGATIVE: from the bottom edge up), AW_ACTIVATE activating.
// Returns when the window is fully shown: messages wait in the queue meanwhile, as they
// do on Win32. A backend that cannot present frames shows the window at once.
bool animateWindow(WindowHandle window, uint32_t durationMs, uint32_t flags);

// The part of a sliding window shown after `elapsed` of `duration` milliseconds: what
// is visible in window coordinates, and where the window's contents are drawn.
struct SlideReveal {
    Rect visible;
    Point contentOffset;
};
SlideReveal slideReveal(int width, int height, uint64_t elapsed, uint64_t duration, uint32_t flags);
bool isIconic(WindowHandle window);

// Engine windows have no frame: the client area is the whole window.
Rect windowRect(WindowHandle window);  // screen coordinates
Rect clientRect(WindowHandle window);  // (0, 0, width, height)
Point clientToScreen(WindowHandle window, Point client);
Point screenToClient(WindowHandle window, Point screen);

uint32_t windowStyle(WindowHandle window);
uint32_t windowExStyle(WindowHandle window);
uint32_t windowClassStyle(WindowHandle window);
// WS_EX_TRANSPARENT makes the window click-through; WS_EX_LAYERED switches it to
// updateLayeredWindow contents.
bool setWindowExStyle(WindowHandle window, uint32_t exStyle);
bool setWindowText(WindowHandle window, std::u16string_view text);
std::u16string windowText(WindowHandle window);
// WM_SETICON (small and big alike): premultiplied pixels; empty pixels remove the icon.
bool setWindowIcon(WindowHandle window, const WindowPixels& icon);
bool windowIcon(WindowHandle window, WindowPixels& out);  // false without one

// EnableWindow: sends WM_ENABLE when the state changes; returns true when the window was
// disabled before. A disabled window gets no mouse or keyboard input.
bool enableWindow(WindowHandle window, bool enable);
bool isWindowEnabled(WindowHandle window);

// Every window, the top of the z-order first. Topmost windows stay above the others and
// owned windows above their owner.
std::vector<WindowHandle> windowsInZOrder();
// The visible, enabled or not, window under a screen point: click-through windows and
// points outside a window's region are passed through.
WindowHandle windowFromPoint(Point screen);
// The window under the pointer for a desktop event that came to `eventWindow`: that window
// when the point is inside its shape, else windowFromPoint (the events of a grab or a
// capture all come to the grabbing window).
WindowHandle windowUnderPointer(WindowHandle eventWindow, Point screen);

// ---- Activation, focus, capture --------------------------------------------------------

// SetActiveWindow: WM_ACTIVATE (WA_INACTIVE, lParam = the new one) to the window losing
// activation, then WM_ACTIVATE (WA_ACTIVE, lParam = the old one) to the new one, then
// focus moves to it. Returns the previously active window.
WindowHandle setActiveWindow(WindowHandle window);
WindowHandle activeWindow();
// SetFocus: WM_KILLFOCUS (wParam = the new one) then WM_SETFOCUS (wParam = the old one).
// Focusing a window of an inactive top-level window activates it. 0 removes focus.
WindowHandle setFocus(WindowHandle window);
WindowHandle focusWindow();
// SetCapture / ReleaseCapture: the window losing capture gets WM_CAPTURECHANGED with
// lParam = the new capture window (0 on release).
WindowHandle setCapture(WindowHandle window);
bool releaseCapture();
WindowHandle captureWindow();

// ---- Pointer and cursor --------------------------------------------------------------

// GetCursorPos: the pointer in screen coordinates as last seen by the input.
Point cursorPos();
// SetCursor with a system cursor id (IDC_...); returns the previous id.
uint32_t setCursor(uint32_t cursorId);
uint32_t currentCursor();
// TrackMouseEvent for the window under the pointer: TME_LEAVE posts WM_MOUSELEAVE when the
// pointer leaves it, TME_HOVER posts WM_MOUSEHOVER (key state, client position) when the
// pointer rests for the hover time; each is a one-shot. TME_CANCEL removes the request.
// False when the window is not under the pointer (a leave is then posted at once).
bool trackMouseEvent(WindowHandle window, uint32_t flags, uint32_t hoverTimeMs);

// ---- Scale ---------------------------------------------------------------------------

// A window's scale: its device pixels to a logical one (its monitor's DPI / 96). Positions,
// sizes and messages stay logical; its shown pixels (blitToWindow, updateLayeredWindow,
// copyWindowPixels) are device pixels, the window's logical size times its scale.
double windowScale(WindowHandle window);
// A backend's report of a window's new scale (it moved to another monitor): the shown
// pixels are refitted and the window repainted. False for an unknown window or a scale
// outside kMinDisplayScale .. kMaxDisplayScale.
bool setWindowScale(WindowHandle window, double scale);
// The scale windows are made with (the backend's; TAMLO_SCALE headless).
double defaultWindowScale();
void setDefaultWindowScale(double scale);

// ---- Painting ------------------------------------------------------------------------

// InvalidateRect (null: the whole client area). A visible window with something to paint
// has one WM_PAINT posted. Layered windows are never painted this way.
bool invalidateRect(WindowHandle window, const Rect* area);
// UpdateWindow: sends WM_PAINT now when something is invalid.
bool updateWindow(WindowHandle window);
// BeginPaint: the invalid rectangle, which becomes valid (empty when nothing is).
Rect beginPaint(WindowHandle window);
// Copies `area` (device pixels of the client area) of `source` onto what the window shows
// (a BitBlt from the back buffer to the window).
bool blitToWindow(WindowHandle window, const PixelView& source, const Rect& area);
// UpdateLayeredWindow: the whole buffer becomes the window's contents at its position,
// blended with `constantAlpha` and, with `perPixelAlpha`, the pixels' own alpha.
bool updateLayeredWindow(WindowHandle window, const PixelView& source, uint8_t constantAlpha,
                         bool perPixelAlpha);
// What the window shows now, window-sized in device pixels; false for an unknown window.
bool copyWindowPixels(WindowHandle window, WindowPixels& out);
uint8_t windowConstantAlpha(WindowHandle window);

// ---- Shape ---------------------------------------------------------------------------

// SetWindowRgn with a rounded rectangle; null removes the region. Outside it the window
// neither shows nor takes the pointer.
bool setWindowRegion(WindowHandle window, const RoundRegion* region);
bool windowRegion(WindowHandle window, RoundRegion& out);  // false without one
// An input shape that passes every click through (same as WS_EX_TRANSPARENT).
bool setWindowClickThrough(WindowHandle window, bool clickThrough);
bool isWindowClickThrough(WindowHandle window);

// ---- Tooltip windows -----------------------------------------------------------------

// A small topmost, click-through window showing one line of text, owned by `owner` and
// destroyed with it. Showing never activates it.
WindowHandle createTooltipWindow(WindowHandle owner);
bool setTooltipText(WindowHandle tooltip, std::u16string_view text);
std::u16string tooltipText(WindowHandle tooltip);
bool showTooltipAt(WindowHandle tooltip, Point screen);
bool hideTooltip(WindowHandle tooltip);
bool isTooltipWindow(WindowHandle window);

// ---- System metrics ------------------------------------------------------------------

struct SystemMetrics {
    Size screen{1920, 1080};
    uint32_t caretBlinkTime = 530;
    uint32_t doubleClickTime = 500;
    Size doubleClickSize{4, 4};  // the rectangle centred on the first click
    uint32_t hoverTime = 400;    // HOVER_DEFAULT
    Size hoverSize{4, 4};
};

SystemMetrics systemMetrics();
Size screenSize();
uint32_t caretBlinkTime();
uint32_t doubleClickTime();
// Replaces the metrics (headless set-up and tests; a desktop backend reports its own).
void setSystemMetrics(const SystemMetrics& metrics);

}  // namespace tamlo::platform
