#pragma once

#include <cstdint>

#include "platform/windowing/messages.h"

// The key state the UI thread has seen (GetKeyState): updated as keyboard messages are
// removed from the queue, so it matches the message being handled, not the hardware.
namespace tamlo::platform {

void noteKeyMessage(const Message& message);
bool isKeyDown(uint32_t virtualKey);
bool isKeyToggled(uint32_t virtualKey);
void resetKeyboardState();

// The character a key types on a US layout, or 0 for a key that types none. Control
// with a letter gives the control character (Ctrl+A = 1).
char16_t characterForKey(uint32_t virtualKey, bool shift, bool capsLock, bool control);

}  // namespace tamlo::platform
