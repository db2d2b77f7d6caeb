#include "platform/desktop.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/native_window.h"
#include "platform/windowing/window_state.h"

namespace tamlo::platform {

void desktopActivated(WindowHandle window, bool clicked) {
    if (window != 0 && activeWindow() != window) {
        activateWindow(window, clicked ? win32::WA_CLICKACTIVE : win32::WA_ACTIVE);
    }
}

void desktopDeactivated() {
    if (activeWindow() != 0) {
        setActiveWindow(0);
    }
}

void desktopCloseRequested(WindowHandle window) {
    postMessage(window, win32::WM_SYSCOMMAND, win32::SC_CLOSE, 0);
}

const NativeWindowState* windowView(WindowHandle window) {
    return nativeWindowState(window);
}

const WindowPixels* shownPixels(WindowHandle window) {
    NativeWindowState* state = nativeWindowState(window);
    if (state == nullptr) {
        return nullptr;
    }
    fitSurface(*state);
    return &state->surface;
}

}  // namespace tamlo::platform
