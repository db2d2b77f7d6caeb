#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <optional>

#include "platform/backend.h"
#include "platform/geometry.h"
#include "platform/windowing/native_window.h"

// The desktop boundary: the one engine header a desktop backend (headless/, gtk/, win32/)
// includes. What the engine asks of a desktop is the table of platform/backend.h; below is
// what the backend calls back with (the desktop's input and drags, turned into the
// messages a Win32 window gets with the same wParam and lParam encodings; input methods;
// activation; the desktop's metrics through setSystemMetrics and scale through
// setWindowScale) and the read-only view of a window that a backend shows. UI thread only;
// `under` is the window the pointer is over (0 for none), points are screen coordinates.
// While a window holds capture, pointer messages go to it in its client coordinates.
namespace tamlo::platform {

// ---- Pointer and keys -------------------------------------------------------------------

enum class MouseButton { Left, Right, Middle };

// WM_SETCURSOR (sent, when nothing holds capture; an unhandled one sets the arrow), then
// WM_MOUSEMOVE (posted; wParam = MK_ state, lParam = client x | y << 16). Ends mouse-leave
// tracking of a window the pointer is no longer over and restarts hover timing when the
// pointer leaves the hover rectangle.
void inputPointerMoved(Point screen, WindowHandle under);
// WM_xBUTTONDOWN, WM_xBUTTONUP, or WM_xBUTTONDBLCLK for a CS_DBLCLKS window. A press on an
// inactive window activates it first (WA_CLICKACTIVE). Disabled windows get nothing.
void inputButton(MouseButton button, bool down, Point screen, WindowHandle under);
// WM_MOUSEWHEEL to the capture window or the window under the pointer: wParam = MK_ state
// | delta << 16 (120 a notch), lParam = the screen position.
void inputWheel(int delta, Point screen, WindowHandle under);
// WM_KEYDOWN / WM_KEYUP (WM_SYSKEY... while Alt is down) to the focus window, or the
// active one. lParam: repeat count 1, scan code, extended bit, context, previous state,
// transition. WM_CHAR follows through translateMessage.
void inputKey(uint32_t virtualKey, bool down, uint32_t scanCode = 0, bool extended = false);
// A WM_CHAR for text that no key produces (input methods, non-US layouts).
void inputCharacter(char16_t character);
// Modifier state reported by a desktop with its events.
void inputSetModifiers(bool shift, bool control, bool alt);

// ---- Input methods ------------------------------------------------------------------------

// The pre-edit text of `window` changed (empty: composition ended). The window gets
// WM_IME_COMPOSITION so that it repaints around its caret.
void inputMethodComposition(WindowHandle window, std::u16string_view preedit);
// `text` was committed; the composition ends and the characters go to the focus window as
// WM_CHARs, a surrogate pair as two units.
void inputMethodCommit(WindowHandle window, std::u16string_view text);

// ---- Activation and closing ---------------------------------------------------------------

// The desktop gave the keyboard to `window`: it becomes the active window (WM_ACTIVATE with
// WA_CLICKACTIVE when `clicked`, else WA_ACTIVE) unless it already is.
void desktopActivated(WindowHandle window, bool clicked = false);
// Another program took the keyboard: no engine window stays active.
void desktopDeactivated();
// The user asked the desktop to close `window` (its title bar, Alt+F4): the engine decides,
// through a posted WM_SYSCOMMAND SC_CLOSE.
void desktopCloseRequested(WindowHandle window);

// ---- What the window shows ---------------------------------------------------------------

// A window's state as the window services keep it. Backends read it through windowView
// only; the services alone change it.
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

// The window's state to show (bounds, visibility, styles, shape, scale, icon, text, reveal);
// null for an unknown window. Valid until the next call into the window services.
const NativeWindowState* windowView(WindowHandle window);
// The pixels the window shows (its back buffer's frame), sized to its rectangle first: kept
// pixels stay, new ones are clear. Null for an unknown window.
const WindowPixels* shownPixels(WindowHandle window);

// ---- Drag and drop ------------------------------------------------------------------------

enum class DragPhase { Enter, Over, Leave, Drop };

struct DragPayload {
    std::vector<std::string> files;  // UTF-8 paths of a file list
    std::u16string text;             // dragged text
};

struct DragEvent {
    WindowHandle window = 0;
    DragPhase phase = DragPhase::Enter;
    Point client;                          // the pointer in the window's client coordinates
    const DragPayload* payload = nullptr;  // what is dragged (null on leave)
};

// Hands a drag to the engine's handler; false when nothing accepts it (no copy effect).
bool deliverDragEvent(const DragEvent& event);

}  // namespace tamlo::platform

// The vocabulary a backend shares with the window services: the message numbers and
// window constants, the queue its pump drives, the key and pointer state, the frame and
// shape computations both desktop backends share, the message box's buttons and the input
// method's state, and the answers a step-driven run gives in place of the modal dialogs.
// Included after the declarations above, which these headers use.
#include "platform/dialog_answers.h"
#include "platform/windowing/drag_drop.h"
#include "platform/windowing/frame_composition.h"
#include "platform/windowing/input_method.h"
#include "platform/windowing/keyboard_state.h"
#include "platform/windowing/message_box_buttons.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_pump.h"
#include "platform/windowing/message_queue.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/pointer_input.h"
#include "platform/windowing/window_constants.h"
