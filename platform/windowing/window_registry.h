#pragma once

#include <cstdint>
#include <string>

#include "platform/backend.h"

// The in-memory window table of the UI thread: every window (the hidden dispatcher,
// script windows, their shadows) is a handle with a window procedure and user data.
// Backends that show real windows keep their native part beside the entry.
namespace tamlo::platform {

using WindowProcedure = std::intptr_t (*)(WindowHandle window, uint32_t message,
                                          std::uintptr_t wParam, std::intptr_t lParam);

// What CreateWindowExW receives; WM_CREATE carries a pointer to it in lParam.
struct WindowCreation {
    std::u16string className;
    WindowProcedure procedure = nullptr;
    void* userData = nullptr;
    uint32_t classStyle = 0;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    WindowHandle owner = 0;
};

// Creates a window on the UI thread. The handle and user data are in place before the
// procedure sees WM_CREATE; a WM_CREATE result of -1 destroys the window again and the
// result is 0. A creation without a procedure fails with 0. Handles are never reused.
WindowHandle createWindow(const WindowCreation& creation);

// Destroys the owned windows first, then sends WM_DESTROY and WM_NCDESTROY, kills the
// window's timers and discards the messages still queued for it. False for a handle
// that is not (or no longer) a window, or one already being destroyed.
bool destroyWindow(WindowHandle window);

// Callable from any thread.
bool isWindow(WindowHandle window);

// User data (GWLP_USERDATA); null for an unknown window.
void* windowUserData(WindowHandle window);
bool setWindowUserData(WindowHandle window, void* userData);

std::u16string windowClassName(WindowHandle window);

// Calls the window's procedure at once (SendMessageW on the UI thread). Returns 0 for an
// unknown window, and from any other thread does nothing and returns 0.
std::intptr_t sendMessage(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam);

// The default answer to a message: 0 for everything the engine's windows pass on.
std::intptr_t defWindowProc(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam);

// Number of live windows (leak checks in tests).
std::size_t windowCount();

}  // namespace tamlo::platform
