#include "platform/windowing/posted_call.h"

#include <mutex>

#include "platform/windowing/message_loop.h"

namespace tamlo {
namespace {

struct Target {
    std::mutex lock;  // a post never races with the window's end
    platform::WindowHandle window = 0;
};

Target& target() {
    static Target instance;
    return instance;
}

}  // namespace

void setPostedCallWindow(platform::WindowHandle window) {
    std::lock_guard<std::mutex> lock(target().lock);
    target().window = window;
}

bool postCall(void* object, PostedMethod method, std::uintptr_t argument1,
              std::uintptr_t argument2) {
    std::lock_guard<std::mutex> lock(target().lock);
    if (target().window == 0) {
        return false;
    }
    auto* call = new PostedCall{object, method, argument1, argument2};
    if (!platform::postMessage(target().window, kPostedCallMessage,
                               reinterpret_cast<std::uintptr_t>(call), 0)) {
        delete call;
        return false;
    }
    return true;
}

}  // namespace tamlo
