#include "platform/headless/input.h"

#include "platform/desktop.h"

namespace tamlo::platform::headless {

using namespace tamlo::win32;

namespace {

struct DragState {
    bool active = false;
    DragPayload payload;
    WindowHandle window = 0;
    Point screen;
};

DragState& drag() {
    static DragState state;
    return state;
}

DragEvent dragEvent(WindowHandle window, DragPhase phase, Point screen,
                    const DragPayload* payload) {
    return DragEvent{window, phase, screenToClient(window, screen), payload};
}

}  // namespace

void moveMouse(Point screen) {
    inputPointerMoved(screen, windowFromPoint(screen));
}

void moveMouseTo(WindowHandle window, Point client) {
    moveMouse(clientToScreen(window, client));
}

void pressButton(MouseButton button) {
    Point at = cursorPos();
    inputButton(button, true, at, windowFromPoint(at));
}

void releaseButton(MouseButton button) {
    Point at = cursorPos();
    inputButton(button, false, at, windowFromPoint(at));
}

void click(MouseButton button) {
    pressButton(button);
    releaseButton(button);
}

void turnWheel(int notches) {
    Point at = cursorPos();
    inputWheel(notches * WHEEL_DELTA, at, windowFromPoint(at));
}

namespace {
// Keys go to the focus window, or the active one without focus.
WindowHandle compositionWindow() {
    return focusWindow() != 0 ? focusWindow() : activeWindow();
}
}  // namespace

void compose(std::u16string_view preedit) {
    inputMethodComposition(compositionWindow(), preedit);
}

void commitComposition(std::u16string_view text) {
    const WindowHandle window = compositionWindow();
    const std::u16string committed =
        text.empty() ? inputMethodPreedit(window) : std::u16string(text);
    inputMethodCommit(window, committed);
}

std::u16string composition() {
    return inputMethodPreedit(compositionWindow());
}

void keyDown(uint32_t virtualKey) {
    inputKey(virtualKey, true);
}

void keyUp(uint32_t virtualKey) {
    inputKey(virtualKey, false);
}

void pressKey(uint32_t virtualKey) {
    keyDown(virtualKey);
    keyUp(virtualKey);
}

void typeText(std::u16string_view text) {
    for (char16_t character : text) {
        uint32_t key = 0;
        bool shift = false;
        for (uint32_t candidate = 1; candidate < 0xFF && key == 0; ++candidate) {
            for (bool withShift : {false, true}) {
                if (characterForKey(candidate, withShift, false, false) == character) {
                    key = candidate;
                    shift = withShift;
                    break;
                }
            }
        }
        if (key == 0) {
            inputCharacter(character);
            continue;
        }
        bool pressShift = shift && !inputKeyIsDown(VK_SHIFT);
        if (pressShift) {
            keyDown(VK_SHIFT);
        }
        pressKey(key);
        if (pressShift) {
            keyUp(VK_SHIFT);
        }
    }
}

bool dragTo(const DragPayload& payload, Point screen) {
    DragState& d = drag();
    WindowHandle window = windowFromPoint(screen);
    if (d.active && d.window != 0 && d.window != window) {
        deliverDragEvent(dragEvent(d.window, DragPhase::Leave, screen, nullptr));
    }
    bool entering = !d.active || d.window != window;
    d.active = true;
    d.payload = payload;
    d.window = window;
    d.screen = screen;
    if (window == 0) {
        return false;
    }
    return deliverDragEvent(
        dragEvent(window, entering ? DragPhase::Enter : DragPhase::Over, screen, &d.payload));
}

void dragCancel() {
    DragState& d = drag();
    if (d.active && d.window != 0) {
        deliverDragEvent(dragEvent(d.window, DragPhase::Leave, d.screen, nullptr));
    }
    d = DragState{};
}

bool dragDrop() {
    DragState& d = drag();
    bool accepted = false;
    if (d.active && d.window != 0) {
        accepted = deliverDragEvent(dragEvent(d.window, DragPhase::Drop, d.screen, &d.payload));
    }
    d = DragState{};
    return accepted;
}

}  // namespace tamlo::platform::headless
