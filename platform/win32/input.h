#pragma once

#include "platform/desktop.h"

#include "platform/win32/window_api.h"

// The pointer, key, activation and capture messages of an engine window, reported to the
// engine as its own input.
namespace tamlo::platform::win32native {

struct NativeWindow;

// True when `message` was input and is handled, with the window procedure's `result`;
// false leaves it to the window's own handling.
bool handleInputMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, WindowHandle window,
                        const NativeWindowState* state, NativeWindow* native, LRESULT& result);

// The system's cursor for an engine cursor id.
HCURSOR systemCursor(uint32_t cursorId);

}  // namespace tamlo::platform::win32native
