#pragma once

#include <cstdint>

#include "platform/windowing/native_window.h"

// Native input turned into the messages a Win32 window gets, with the same wParam and
// lParam encodings. Backends (and the headless input API) call these on the UI thread;
// `under` is the window the pointer is over (0 for none), points are screen coordinates.
// While a window holds capture, pointer messages go to it in its client coordinates.
namespace tamlo::platform {

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

// The MK_ flags of the buttons and modifiers down now.
uint32_t inputKeyState();
bool inputKeyIsDown(uint32_t virtualKey);
// The window the pointer was last seen over.
WindowHandle inputWindowUnderPointer();

// Forgets buttons, keys, tracking and the last click (tests, start-up).
void resetPointerInput();

// Called by the window services.
bool pointerInputTrack(WindowHandle window, uint32_t flags, uint32_t hoverTimeMs);
void pointerInputForgetWindow(WindowHandle window);
void pointerInputCaptureReleased(WindowHandle previous);

// Packs a client or screen point as a mouse message's lParam (16 bits each, two's
// complement, so positions left of or above a window read back as large unsigned values).
std::intptr_t pointLParam(Point point);

}  // namespace tamlo::platform
