#include "runtime/dispatcher_window.h"

#include <memory>

#include "platform/windowing/message_loop.h"
#include "platform/windowing/window_registry.h"

namespace tamlo {
namespace {

std::intptr_t dispatcherProcedure(platform::WindowHandle window, uint32_t message,
                                  std::uintptr_t wParam, std::intptr_t lParam) {
    if (message == kPostedCallMessage) {
        std::unique_ptr<PostedCall> call(reinterpret_cast<PostedCall*>(wParam));
        if (call && call->method != nullptr) {
            call->method(call->object, call->argument1, call->argument2);
        }
        return 0;
    }
    return platform::defWindowProc(window, message, wParam, lParam);
}

}  // namespace

platform::WindowHandle createDispatcherWindow() {
    platform::WindowCreation creation;
    creation.className = kDispatcherClassName;
    creation.procedure = dispatcherProcedure;
    creation.classStyle = win32::CS_DBLCLKS;
    creation.exStyle = win32::WS_EX_TOOLWINDOW;
    creation.style = win32::WS_POPUP;
    creation.width = 1;
    creation.height = 1;
    return platform::createWindow(creation);
}

void drainAndDestroyDispatcherWindow(platform::WindowHandle window) {
    if (!platform::isWindow(window)) {
        return;
    }
    platform::Message message;
    while (platform::peekMessage(message, window, 0, 0, win32::PM_REMOVE)) {
        platform::translateMessage(message);
        platform::dispatchMessage(message);
    }
    platform::destroyWindow(window);
}

}  // namespace tamlo
