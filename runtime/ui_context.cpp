#include "runtime/ui_context.h"

#include <atomic>

#include "platform/windowing/message_loop.h"
#include "platform/windowing/posted_call.h"
#include "runtime/dispatcher_window.h"

namespace tamlo {
namespace {

std::atomic<UiContext*>& contextPointer() {
    static std::atomic<UiContext*> pointer{nullptr};
    return pointer;
}

}  // namespace

std::mutex& uiContextLock() {
    static std::mutex lock;
    return lock;
}

UiContext* uiContext() {
    return contextPointer().load();
}

UiContext* createUiContext() {
    if (UiContext* existing = uiContext()) {
        return existing;
    }
    auto context = std::make_unique<UiContext>();
    context->dispatcherWindow = createDispatcherWindow();
    if (context->dispatcherWindow == 0) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(uiContextLock());
    dui::setUiRegistries(context->registries.get());
    setPostedCallWindow(context->dispatcherWindow);
    contextPointer().store(context.get());
    return context.release();
}

void destroyUiContext() {
    UiContext* context = uiContext();
    if (context == nullptr) {
        return;
    }
    // 1-2. The layout package and the style set go first: styles may hold package data.
    context->registries->releaseContent();

    // 3. The context itself ends under the lock, so no post can reach it halfway.
    platform::WindowHandle dispatcher;
    {
        std::lock_guard<std::mutex> lock(uiContextLock());
        dispatcher = context->dispatcherWindow;
        setPostedCallWindow(0);
        context->applicationEvents.clear();
        dui::setUiRegistries(nullptr);
        context->registries.reset();
        contextPointer().store(nullptr);
        delete context;
    }

    // 4. Calls posted before this point are still delivered.
    drainAndDestroyDispatcherWindow(dispatcher);
}

void raiseApplicationEvent(dui::Event& event) {
    if (UiContext* context = uiContext()) {
        context->applicationEvents.raise(event);
    }
}

}  // namespace tamlo
