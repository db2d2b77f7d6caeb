#include "platform/windowing/pointer_input.h"

#include <array>
#include <cstdlib>

#include "platform/windowing/double_click.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/window_state.h"

namespace tamlo::platform {

using namespace tamlo::win32;

namespace {

// The hover timer lives on the tracked window, so destroying the window ends it.
constexpr std::uintptr_t kHoverTimerId = 0xFFFF7E01;

struct InputState {
    uint32_t buttons = 0;
    std::array<bool, 256> keys{};
    WindowHandle under = 0;
    WindowHandle leaveWindow = 0;
    WindowHandle hoverWindow = 0;
    uint32_t hoverTime = 0;
    Point hoverAnchor;
    DoubleClickDetector clicks;
};

InputState& input() {
    static InputState instance;
    return instance;
}

uint32_t buttonFlag(MouseButton button) {
    switch (button) {
        case MouseButton::Left:
            return MK_LBUTTON;
        case MouseButton::Right:
            return MK_RBUTTON;
        default:
            return MK_MBUTTON;
    }
}

uint32_t buttonMessage(MouseButton button, bool down, bool doubleClick) {
    switch (button) {
        case MouseButton::Left:
            return doubleClick ? WM_LBUTTONDBLCLK : down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        case MouseButton::Right:
            return doubleClick ? WM_RBUTTONDBLCLK : down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        default:
            return doubleClick ? WM_MBUTTONDBLCLK : down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    }
}

std::intptr_t clientLParam(WindowHandle window, Point screen) {
    return pointLParam(screenToClient(window, screen));
}

void cancelHover() {
    InputState& in = input();
    if (in.hoverWindow != 0) {
        killTimer(in.hoverWindow, kHoverTimerId);
        in.hoverWindow = 0;
    }
}

void hoverTimerProcedure(WindowHandle window, uint32_t, std::uintptr_t, uint64_t) {
    InputState& in = input();
    killTimer(window, kHoverTimerId);
    if (in.hoverWindow != window) {
        return;
    }
    in.hoverWindow = 0;
    postMessage(window, WM_MOUSEHOVER, inputKeyState(), clientLParam(window, desktop().cursor));
}

void startHoverTimer(WindowHandle window) {
    InputState& in = input();
    in.hoverAnchor = desktop().cursor;
    setTimer(window, kHoverTimerId, in.hoverTime, hoverTimerProcedure);
}

// Posts WM_MOUSELEAVE to a tracked window the pointer is no longer over. A window that
// holds capture keeps its tracking until it lets go.
void checkLeave(WindowHandle under) {
    InputState& in = input();
    WindowHandle tracked = in.leaveWindow;
    if (tracked == 0 || tracked == under || tracked == desktop().capture) {
        return;
    }
    in.leaveWindow = 0;
    if (in.hoverWindow == tracked) {
        cancelHover();
    }
    postMessage(tracked, WM_MOUSELEAVE, 0, 0);
}

bool acceptsInput(WindowHandle window) {
    auto* state = nativeWindowState(window);
    return state != nullptr && state->enabled;
}

WindowHandle keyboardTarget() {
    Desktop& d = desktop();
    WindowHandle target = d.focus != 0 ? d.focus : d.active;
    return acceptsInput(target) ? target : 0;
}

void setKey(uint32_t key, bool down) {
    input().keys[key & 0xFF] = down;
}

bool insideHoverRectangle(Point anchor, Point point) {
    Size area = desktop().metrics.hoverSize;
    return std::abs(point.x - anchor.x) <= area.width / 2 &&
           std::abs(point.y - anchor.y) <= area.height / 2;
}

}  // namespace

std::intptr_t pointLParam(Point point) {
    return makeLParam(point.x, point.y);
}

void inputPointerMoved(Point screen, WindowHandle under) {
    InputState& in = input();
    Desktop& d = desktop();
    d.cursor = screen;
    in.under = under;
    checkLeave(under);
    WindowHandle target = d.capture != 0 ? d.capture : under;
    if (target == 0 || (d.capture == 0 && !acceptsInput(target))) {
        return;
    }
    if (d.capture == 0) {
        std::intptr_t handled =
            sendMessage(target, WM_SETCURSOR, target,
                        static_cast<std::intptr_t>(HTCLIENT | WM_MOUSEMOVE << 16));
        if (handled == 0) {
            setCursor(IDC_ARROW);  // the class cursor
        }
    }
    if (in.hoverWindow == target && !insideHoverRectangle(in.hoverAnchor, screen)) {
        startHoverTimer(target);
    }
    postMessage(target, WM_MOUSEMOVE, inputKeyState(), clientLParam(target, screen));
}

void inputButton(MouseButton button, bool down, Point screen, WindowHandle under) {
    InputState& in = input();
    Desktop& d = desktop();
    d.cursor = screen;
    in.under = under;
    if (down) {
        in.buttons |= buttonFlag(button);
    } else {
        in.buttons &= ~buttonFlag(button);
    }
    WindowHandle target = d.capture != 0 ? d.capture : under;
    if (target == 0 || (d.capture == 0 && !acceptsInput(target))) {
        return;
    }
    bool doubleClick = false;
    if (down) {
        if (d.capture == 0 && d.active != target) {
            activateWindow(target, WA_CLICKACTIVE);
            if (!isWindow(target)) {
                return;
            }
        }
        const SystemMetrics& metrics = d.metrics;
        bool second = in.clicks.press(target, static_cast<int>(button), screen, currentTime(),
                                      metrics.doubleClickTime, metrics.doubleClickSize);
        doubleClick = second && (windowClassStyle(target) & CS_DBLCLKS) != 0;
    }
    postMessage(target, buttonMessage(button, down, doubleClick), inputKeyState(),
                clientLParam(target, screen));
}

void inputWheel(int delta, Point screen, WindowHandle under) {
    Desktop& d = desktop();
    d.cursor = screen;
    input().under = under;
    WindowHandle target = d.capture != 0 ? d.capture : under;
    if (target == 0 || !acceptsInput(target)) {
        return;
    }
    std::uintptr_t wParam =
        inputKeyState() |
        static_cast<std::uintptr_t>(static_cast<uint16_t>(static_cast<int16_t>(delta))) << 16;
    postMessage(target, WM_MOUSEWHEEL, wParam, pointLParam(screen));
}

void inputKey(uint32_t virtualKey, bool down, uint32_t scanCode, bool extended) {
    uint32_t key = virtualKey & 0xFF;
    InputState& in = input();
    bool wasDown = in.keys[key];
    setKey(key, down);
    switch (key) {
        case VK_LSHIFT:
        case VK_RSHIFT:
            setKey(VK_SHIFT, down);
            break;
        case VK_LCONTROL:
        case VK_RCONTROL:
            setKey(VK_CONTROL, down);
            break;
        case VK_LMENU:
        case VK_RMENU:
            setKey(VK_MENU, down);
            break;
        default:
            break;
    }
    WindowHandle target = keyboardTarget();
    if (target == 0) {
        return;
    }
    bool alt =
        in.keys[VK_MENU] || (!down && (key == VK_MENU || key == VK_LMENU || key == VK_RMENU));
    bool system = alt && !in.keys[VK_CONTROL];
    uint32_t lParam = 1u | (scanCode & 0xFF) << 16;
    if (extended) {
        lParam |= KF_EXTENDED_BIT;
    }
    if (alt) {
        lParam |= KF_ALTDOWN_BIT;
    }
    if (wasDown || !down) {
        lParam |= KF_REPEAT_BIT;
    }
    if (!down) {
        lParam |= KF_UP_BIT;
    }
    uint32_t message =
        down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    postMessage(target, message, key, static_cast<std::intptr_t>(lParam));
}

void inputCharacter(char16_t character) {
    WindowHandle target = keyboardTarget();
    if (target != 0) {
        postMessage(target, WM_CHAR, character, 1);
    }
}

void inputSetModifiers(bool shift, bool control, bool alt) {
    setKey(VK_SHIFT, shift);
    setKey(VK_CONTROL, control);
    setKey(VK_MENU, alt);
}

uint32_t inputKeyState() {
    InputState& in = input();
    uint32_t state = in.buttons;
    if (in.keys[VK_SHIFT]) {
        state |= MK_SHIFT;
    }
    if (in.keys[VK_CONTROL]) {
        state |= MK_CONTROL;
    }
    return state;
}

bool inputKeyIsDown(uint32_t virtualKey) {
    return input().keys[virtualKey & 0xFF];
}

void resetPointerInput() {
    cancelHover();
    input() = InputState{};
}

bool pointerInputTrack(WindowHandle window, uint32_t flags, uint32_t hoverTimeMs) {
    InputState& in = input();
    if (nativeWindowState(window) == nullptr) {
        return false;
    }
    if (flags & TME_CANCEL) {
        if ((flags & TME_LEAVE) && in.leaveWindow == window) {
            in.leaveWindow = 0;
        }
        if ((flags & TME_HOVER) && in.hoverWindow == window) {
            cancelHover();
        }
        return true;
    }
    bool over = in.under == window || desktop().capture == window;
    if (flags & TME_LEAVE) {
        if (in.leaveWindow != 0 && in.leaveWindow != window) {
            checkLeave(in.under);
        }
        if (!over) {
            postMessage(window, WM_MOUSELEAVE, 0, 0);
            return true;
        }
        in.leaveWindow = window;
    }
    if ((flags & TME_HOVER) && over) {
        if (in.hoverWindow != 0 && in.hoverWindow != window) {
            cancelHover();
        }
        in.hoverWindow = window;
        in.hoverTime = hoverTimeMs == HOVER_DEFAULT ? desktop().metrics.hoverTime : hoverTimeMs;
        startHoverTimer(window);
    }
    return true;
}

void pointerInputForgetWindow(WindowHandle window) {
    InputState& in = input();
    if (in.hoverWindow == window) {
        cancelHover();
    }
    if (in.leaveWindow == window) {
        in.leaveWindow = 0;
    }
    if (in.under == window) {
        in.under = 0;
    }
    in.clicks.forget(window);
}

void pointerInputCaptureReleased(WindowHandle) {
    checkLeave(input().under);
}

bool trackMouseEvent(WindowHandle window, uint32_t flags, uint32_t hoverTimeMs) {
    return pointerInputTrack(window, flags, hoverTimeMs);
}

}  // namespace tamlo::platform
