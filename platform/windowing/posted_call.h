#pragma once

#include <cstdint>

#include "platform/backend.h"
#include "platform/windowing/messages.h"

namespace tamlo {

// A call run later on the UI thread by the dispatcher window: method(object, a1, a2).
using PostedMethod = void (*)(void* object, std::uintptr_t argument1, std::uintptr_t argument2);

// The message a posted call travels in, and the heap record it carries in wParam; the
// dispatcher deletes the record after the call.
constexpr uint32_t kPostedCallMessage = win32::WM_USER + 1;
struct PostedCall {
    void* object;
    PostedMethod method;
    std::uintptr_t argument1;
    std::uintptr_t argument2;
};

// The window that receives posted calls (the UI context's dispatcher window); 0 while
// there is none, and from then on every post fails. Any thread.
void setPostedCallWindow(platform::WindowHandle window);

// Posts the call when a dispatcher window exists; returns false (nothing posted)
// otherwise. Callable from any thread.
bool postCall(void* object, PostedMethod method, std::uintptr_t argument1,
              std::uintptr_t argument2);

}  // namespace tamlo
