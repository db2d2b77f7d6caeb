#pragma once

#include <cstdint>

#include "platform/desktop.h"
#include "platform/windowing/native_window.h"

// The pointer and key state behind the input calls of platform/desktop.h, and
// what the window services ask of it.
namespace tamlo::platform {

// The MK_ flags of the buttons and modifiers down now.
uint32_t inputKeyState();
bool inputKeyIsDown(uint32_t virtualKey);

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
