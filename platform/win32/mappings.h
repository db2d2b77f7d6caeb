#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/desktop.h"
#include "platform/geometry.h"

// Pure conversions between native window messages and the engine's input and state; no
// <windows.h> is needed to use or test them.
namespace tamlo::platform::win32native {

// What one native message means to the engine's input.
enum class NativeInputKind { None, PointerMoved, Button, Wheel, Key, Character };

struct NativeInput {
    NativeInputKind kind = NativeInputKind::None;
    MouseButton button = MouseButton::Left;
    bool down = false;
    // Client coordinates for pointer moves and buttons; screen coordinates for the wheel.
    Point point;
    int wheelDelta = 0;
    uint32_t virtualKey = 0;
    uint32_t scanCode = 0;
    bool extended = false;
    char16_t character = 0;
};

// Mouse messages (a native double click counts as a press: the engine tells double
// clicks apart itself), WM_MOUSEWHEEL, the four key messages and WM_CHAR / WM_IME_CHAR.
// Anything else is NativeInputKind::None.
NativeInput nativeInputFromMessage(uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

// Whether a native WM_CHAR only repeats what the engine's own translation of the key
// already typed (the engine translates WM_KEYDOWN itself). Control characters are never
// passed on: the engine makes those from the keys.
bool characterRepeatsKey(char16_t character, uint32_t lastVirtualKey, bool shift, bool capsLock,
                         bool control);

// The LoadCursorW resource number for a system cursor id; the arrow for one it does not know.
uint32_t cursorResourceForId(uint32_t cursorId);

// The native window's styles for an engine window.
struct NativeStyles {
    uint32_t style = 0;
    uint32_t exStyle = 0;
};
NativeStyles nativeStylesFor(uint32_t style, uint32_t exStyle, bool clickThrough, bool tooltip);

}  // namespace tamlo::platform::win32native
