#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/desktop.h"

// The input of the headless desktop: a test or `tamlo-run --headless` moves the pointer,
// presses buttons, turns the wheel and types, and the windows get the messages a real
// window would (platform/windowing/pointer_input.h). The window under the pointer is found by
// z-order, passing click-through windows and points outside a region. UI thread only.
namespace tamlo::platform::headless {

void moveMouse(Point screen);
void moveMouseTo(WindowHandle window, Point client);
void pressButton(MouseButton button = MouseButton::Left);
void releaseButton(MouseButton button = MouseButton::Left);
// A press and a release where the pointer is.
void click(MouseButton button = MouseButton::Left);
// Notches away from the user are positive (WHEEL_DELTA each).
void turnWheel(int notches);

void keyDown(uint32_t virtualKey);
void keyUp(uint32_t virtualKey);
void pressKey(uint32_t virtualKey);  // down and up
// Types each character with the key (and Shift) that gives it on a US layout, or as a
// bare WM_CHAR when no key does.
void typeText(std::u16string_view text);

// An input method's composition in the focus window: `preedit` shows at its caret
// (empty ends it without a commit). Commit ends it and types `text`, or the pre-edit
// when `text` is empty, as WM_CHAR units.
void compose(std::u16string_view preedit);
void commitComposition(std::u16string_view text = {});
std::u16string composition();

// Drags `payload` to a screen point: a window change leaves the old window and enters
// the new one. Returns whether the window under the point accepts it.
bool dragTo(const DragPayload& payload, Point screen);
void dragCancel();
// Drops on the window under the last drag point; returns whether it was accepted.
bool dragDrop();

}  // namespace tamlo::platform::headless
