#include "platform/windowing/window_registry.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/windowing/input_method.h"
#include "platform/windowing/message_queue.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/window_state.h"

namespace tamlo::platform {
namespace {

struct WindowRecord {
    WindowCreation creation;
    bool destroying = false;
};

// Lookups may come from other threads (posting checks the handle); procedures are
// always called with the lock released.
struct Registry {
    std::mutex mutex;
    std::map<WindowHandle, std::shared_ptr<WindowRecord>> windows;
    WindowHandle lastHandle = 0x10000;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

std::shared_ptr<WindowRecord> find(WindowHandle window) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.windows.find(window);
    return it == r.windows.end() ? nullptr : it->second;
}

bool onUiThread() {
    auto queue = uiQueueIfAny();
    return !queue || queue->ownerThread() == std::this_thread::get_id();
}

}  // namespace

WindowHandle createWindow(const WindowCreation& creation) {
    if (creation.procedure == nullptr || !onUiThread()) {
        return 0;
    }
    uiQueue();  // a window needs its thread's queue
    auto record = std::make_shared<WindowRecord>();
    record->creation = creation;
    WindowHandle handle;
    {
        Registry& r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        handle = ++r.lastHandle;
        r.windows.emplace(handle, record);
    }
    nativeWindowCreating(handle, creation);
    std::intptr_t created = creation.procedure(handle, win32::WM_CREATE, 0,
                                               reinterpret_cast<std::intptr_t>(&record->creation));
    if (created == -1) {
        destroyWindow(handle);
        return 0;
    }
    if (!isWindow(handle)) {
        return 0;
    }
    nativeWindowCreated(handle);
    return isWindow(handle) ? handle : 0;
}

bool destroyWindow(WindowHandle window) {
    auto record = find(window);
    if (!record || record->destroying || !onUiThread()) {
        return false;
    }
    record->destroying = true;

    std::vector<WindowHandle> owned;
    {
        Registry& r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        for (const auto& [handle, other] : r.windows) {
            if (other->creation.owner == window) {
                owned.push_back(handle);
            }
        }
    }
    for (WindowHandle handle : owned) {
        destroyWindow(handle);
    }

    nativeWindowDestroying(window);
    WindowProcedure procedure = record->creation.procedure;
    procedure(window, win32::WM_DESTROY, 0, 0);
    procedure(window, win32::WM_NCDESTROY, 0, 0);
    {
        Registry& r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        r.windows.erase(window);
    }
    nativeWindowDestroyed(window);
    inputMethodForget(window);
    if (auto queue = uiQueueIfAny()) {
        queue->forgetWindow(window);
    }
    return true;
}

bool isWindow(WindowHandle window) {
    return find(window) != nullptr;
}

void* windowUserData(WindowHandle window) {
    auto record = find(window);
    return record ? record->creation.userData : nullptr;
}

bool setWindowUserData(WindowHandle window, void* userData) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.windows.find(window);
    if (it == r.windows.end()) {
        return false;
    }
    it->second->creation.userData = userData;
    return true;
}

std::u16string windowClassName(WindowHandle window) {
    auto record = find(window);
    return record ? record->creation.className : std::u16string();
}

std::intptr_t sendMessage(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam) {
    auto record = find(window);
    if (!record || !onUiThread()) {
        return 0;
    }
    return record->creation.procedure(window, message, wParam, lParam);
}

std::intptr_t defWindowProc(WindowHandle, uint32_t, std::uintptr_t, std::intptr_t) {
    return 0;
}

std::size_t windowCount() {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.windows.size();
}

}  // namespace tamlo::platform
