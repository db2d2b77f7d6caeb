#include "platform/win32/input.h"

#include "platform/desktop.h"
#include "platform/win32/device_pixels.h"
#include "platform/win32/mappings.h"

#include "platform/win32/state.h"
#include "platform/win32/window_api.h"

namespace tamlo::platform::win32native {

namespace {

void noteModifiers() {
    inputSetModifiers(GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0,
                      GetKeyState(VK_MENU) < 0);
}

// A native client point (device pixels) as the engine's logical screen point.
Point screenPoint(const NativeWindowState& state, Point client) {
    return logicalScreenPoint(client, Point{state.rect.left, state.rect.top}, state.scale);
}

// A native screen point as the engine's, through the window it lies over.
Point screenPointFromNative(HWND hwnd, const NativeWindowState& state, POINT screen) {
    ScreenToClient(hwnd, &screen);
    return screenPoint(state, Point{screen.x, screen.y});
}

void trackLeave(HWND hwnd, NativeWindow* native) {
    if (native == nullptr || native->trackingLeave) {
        return;
    }
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = hwnd;
    native->trackingLeave = TrackMouseEvent(&track) != FALSE;
}

// The window that takes an activation the desktop gave `window`: one the pointer passes
// through hands it on to its nearest owner that takes input (0 when there is none).
WindowHandle activationTarget(WindowHandle window) {
    constexpr int kDeepestOwnerChain = 64;
    const NativeWindowState* state = windowView(window);
    for (int depth = 0; state != nullptr && state->passesPointer(); ++depth) {
        if (depth == kDeepestOwnerChain) {
            return 0;
        }
        window = state->owner;
        state = windowView(window);
    }
    return state != nullptr ? window : 0;
}

// False when the activation was handed on, so the default handling does not give the
// keyboard focus to the window it was meant for.
bool nativeActivation(WindowHandle window, WPARAM wParam, LPARAM lParam) {
    const UINT how = LOWORD(wParam);
    if (how == WA_INACTIVE) {
        // Activation went to another program (or a window not the engine's, a message box).
        const WindowHandle other = handleOf(reinterpret_cast<HWND>(lParam));
        if (other == 0 && activeWindow() == window) {
            desktopDeactivated();
        }
        return true;
    }
    // When another program's window closes, the desktop may activate the shadow under a
    // dialog (it ignores WS_EX_NOACTIVATE there): the dialog takes it.
    const WindowHandle target = activationTarget(window);
    desktopActivated(target, how == WA_CLICKACTIVE);
    if (target == window) {
        return true;
    }
    if (NativeWindow* native = findNative(target);
        native != nullptr && IsWindowVisible(native->hwnd)) {
        SetForegroundWindow(native->hwnd);
        SetFocus(native->hwnd);
    }
    return false;
}

}  // namespace

HCURSOR systemCursor(uint32_t cursorId) {
    return LoadCursorW(nullptr, MAKEINTRESOURCEW(cursorResourceForId(cursorId)));
}

bool handleInputMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, WindowHandle window,
                        const NativeWindowState* state, NativeWindow* native, LRESULT& result) {
    BackendState* living = backendState();
    result = 0;
    const NativeInput input = nativeInputFromMessage(message, wParam, lParam);
    switch (input.kind) {
        case NativeInputKind::PointerMoved: {
            noteModifiers();
            trackLeave(hwnd, native);
            const Point screen = screenPoint(*state, input.point);
            inputPointerMoved(screen, windowUnderPointer(window, screen));
            return true;
        }
        case NativeInputKind::Button: {
            noteModifiers();
            const Point screen = screenPoint(*state, input.point);
            inputButton(input.button, input.down, screen, windowUnderPointer(window, screen));
            return true;
        }
        case NativeInputKind::Wheel:
            noteModifiers();
            {
                const Point screen =
                    screenPointFromNative(hwnd, *state, POINT{input.point.x, input.point.y});
                inputWheel(input.wheelDelta, screen, windowFromPoint(screen));
            }
            return true;
        case NativeInputKind::Key:
            noteModifiers();
            if (input.down) {
                living->lastKeyDown = input.virtualKey;
            }
            inputKey(input.virtualKey, input.down, input.scanCode, input.extended);
            return true;
        case NativeInputKind::Character:
            if (message == WM_IME_CHAR ||
                !characterRepeatsKey(input.character, living->lastKeyDown,
                                     GetKeyState(VK_SHIFT) < 0, (GetKeyState(VK_CAPITAL) & 1) != 0,
                                     GetKeyState(VK_CONTROL) < 0)) {
                inputCharacter(input.character);
            }
            return true;
        case NativeInputKind::None:
            break;
    }
    switch (message) {
        case WM_SYSCHAR:
        case WM_DEADCHAR:
        case WM_SYSDEADCHAR:
            return true;  // the engine translates its keys itself
        case WM_MOUSELEAVE: {
            native->trackingLeave = false;
            POINT cursor;
            GetCursorPos(&cursor);
            const Point screen = screenPointFromNative(hwnd, *state, cursor);
            const WindowHandle under = windowFromPoint(screen);
            if (under != window) {
                inputPointerMoved(screen, under);
            }
            return true;
        }
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                SetCursor(systemCursor(currentCursor()));
                result = TRUE;
                return true;
            }
            break;
        case WM_MOUSEACTIVATE:
            // A press activates through the engine's input (WA_CLICKACTIVE), as it decides.
            result = MA_NOACTIVATE;
            return true;
        case WM_ACTIVATE:
            if (!nativeActivation(window, wParam, lParam)) {
                return true;
            }
            break;  // the default handling gives the keyboard focus to an activated window
        case WM_CAPTURECHANGED:
            if (living->capturingDepth == 0 && captureWindow() == window &&
                handleOf(reinterpret_cast<HWND>(lParam)) == 0) {
                releaseCapture();  // the desktop took the pointer away
            }
            return true;
        default:
            break;
    }
    return false;
}

}  // namespace tamlo::platform::win32native
