#include "runtime/posted_call.h"

#include <mutex>

#include "platform/message_loop.h"
#include "runtime/dispatcher_window.h"
#include "runtime/ui_context.h"

namespace tamlo {

bool postCall(void* object, PostedMethod method, std::uintptr_t argument1,
              std::uintptr_t argument2) {
    std::lock_guard<std::mutex> lock(uiContextLock());
    UiContext* context = uiContext();
    if (context == nullptr) {
        return false;
    }
    auto* call = new PostedCall{object, method, argument1, argument2};
    if (!platform::postMessage(context->dispatcherWindow, kPostedCallMessage,
                               reinterpret_cast<std::uintptr_t>(call), 0)) {
        delete call;
        return false;
    }
    return true;
}

}  // namespace tamlo
