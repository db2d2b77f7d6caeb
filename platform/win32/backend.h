#pragma once

#include <memory>
#include <string>

#include "platform/backend.h"
#include "platform/desktop.h"

// The Windows desktop backend: a real HWND for every engine window, native input as the
// engine's input, the UI queue's wait on the native message loop. Win32 headers stay in
// this folder (platform/win32/window_api.h).
namespace tamlo::platform::win32native {

// Null with `error` set when the desktop cannot be used (no window station, OLE failed).
std::unique_ptr<Backend> createWin32Backend(std::string* error);

// A pump that waits on the thread's native messages and a wake event, dispatching the
// native messages that arrive.
std::unique_ptr<MessagePump> createNativePump();

std::unique_ptr<NativeWindows> createNativeWindows();

// The HWND of an engine window (as void*, to keep <windows.h> out of this header), or null.
void* nativeWindowHandle(WindowHandle window);

// While one lives, a native modal loop (a message box, the folder picker) keeps the
// engine's queue dispatched from a native timer, as the engine's own loop would.
class ModalQueuePumping {
  public:
    ModalQueuePumping();
    ~ModalQueuePumping();
    ModalQueuePumping(const ModalQueuePumping&) = delete;
    ModalQueuePumping& operator=(const ModalQueuePumping&) = delete;

  private:
    std::uintptr_t timer_ = 0;
};

// Every engine window takes OLE drags (files and text) from its creation until it goes.
void registerDropTarget(void* hwnd, WindowHandle window);
void revokeDropTarget(void* hwnd);
// A new drop target of `window` (an IDropTarget*, one reference held by the caller): what
// registerDropTarget hands to OLE, for driving a drag without a desktop.
void* createDropTarget(void* hwnd, WindowHandle window);

}  // namespace tamlo::platform::win32native
