#include "runtime/ui_context.h"

#include <atomic>

#include "dui/loader/loader_registries.h"
#include "platform/message_loop.h"
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
    dui::installLoaderRegistries(*context);
    std::lock_guard<std::mutex> lock(uiContextLock());
    contextPointer().store(context.get());
    return context.release();
}

void destroyUiContext() {
    UiContext* context = uiContext();
    if (context == nullptr) {
        return;
    }
    // 1-2. The layout package and the style set go first: styles may hold package data.
    context->layoutPackage.reset();
    context->styleSet.reset();

    // 3. The context itself ends under the lock, so no post can reach it halfway.
    platform::WindowHandle dispatcher;
    {
        std::lock_guard<std::mutex> lock(uiContextLock());
        dispatcher = context->dispatcherWindow;
        context->applicationEvents.clear();
        context->controlFactory.reset();
        context->styleFactory.reset();
        context->attributeRegistry.reset();
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
