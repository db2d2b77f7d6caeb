#include "platform/windowing/message_loop.h"

#include "platform/windowing/keyboard_state.h"

namespace tamlo::platform {
namespace {

// The queue when the caller is its thread, else null.
std::shared_ptr<MessageQueue> ownQueue() {
    auto queue = uiQueueIfAny();
    if (!queue) {
        uiQueue();  // the first loop call makes the calling thread the UI thread
        queue = uiQueueIfAny();
    }
    return queue && queue->ownerThread() == std::this_thread::get_id() ? queue : nullptr;
}

void finishTake(MessageQueue& queue, Message& message, bool removed) {
    queue.runHooks(message, removed);
    if (removed) {
        noteKeyMessage(message);
    }
}

}  // namespace

ThreadId uiThreadId() {
    auto queue = uiQueueIfAny();
    return queue ? queue->ownerThread() : ThreadId();
}

bool isUiThread() {
    auto queue = uiQueueIfAny();
    return queue && queue->ownerThread() == std::this_thread::get_id();
}

bool postMessage(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                 std::intptr_t lParam) {
    if (window == 0) {
        return postThreadMessage(std::this_thread::get_id(), message, wParam, lParam);
    }
    auto queue = uiQueueIfAny();
    if (!queue || !isWindow(window)) {
        return false;
    }
    queue->post(window, message, wParam, lParam);
    return true;
}

bool postThreadMessage(ThreadId thread, uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
    auto queue = uiQueueIfAny();
    if (!queue || queue->ownerThread() != thread) {
        return false;
    }
    queue->post(0, message, wParam, lParam);
    return true;
}

void postQuitMessage(int exitCode) {
    if (auto queue = ownQueue()) {
        queue->postQuit(exitCode);
    }
}

int getMessage(Message& out, WindowHandle window, uint32_t first, uint32_t last) {
    auto queue = ownQueue();
    if (!queue) {
        return -1;
    }
    while (!queue->take(out, window, first, last, true)) {
        queue->pump().waitForEvent(queue->nextTimerDue(window));
    }
    finishTake(*queue, out, true);
    return out.message == win32::WM_QUIT ? 0 : 1;
}

bool peekMessage(Message& out, WindowHandle window, uint32_t first, uint32_t last, uint32_t flags) {
    auto queue = ownQueue();
    if (!queue) {
        return false;
    }
    bool remove = (flags & win32::PM_REMOVE) != 0;
    if (!queue->take(out, window, first, last, remove)) {
        return false;
    }
    finishTake(*queue, out, remove);
    return true;
}

bool translateMessage(const Message& message) {
    uint32_t charMessage;
    if (message.message == win32::WM_KEYDOWN) {
        charMessage = win32::WM_CHAR;
    } else if (message.message == win32::WM_SYSKEYDOWN) {
        charMessage = win32::WM_SYSCHAR;
    } else {
        return false;
    }
    auto queue = ownQueue();
    if (!queue) {
        return false;
    }
    char16_t character =
        characterForKey(static_cast<uint32_t>(message.wParam), isKeyDown(win32::VK_SHIFT),
                        isKeyToggled(win32::VK_CAPITAL), isKeyDown(win32::VK_CONTROL));
    if (character == 0) {
        return false;
    }
    queue->postFront(Message{message.window, charMessage, character, message.lParam, message.time});
    return true;
}

std::intptr_t dispatchMessage(const Message& message) {
    if (message.message == win32::WM_TIMER && message.lParam != 0) {
        auto procedure = reinterpret_cast<TimerProcedure>(message.lParam);
        procedure(message.window, win32::WM_TIMER, message.wParam, message.time);
        return 0;
    }
    if (message.window == 0) {
        return 0;
    }
    return sendMessage(message.window, message.message, message.wParam, message.lParam);
}

std::uintptr_t setTimer(WindowHandle window, std::uintptr_t id, uint32_t intervalMs,
                        TimerProcedure procedure) {
    auto queue = ownQueue();
    if (!queue || (window != 0 && !isWindow(window)) || (window == 0 && procedure == nullptr)) {
        return 0;
    }
    return queue->timers().set(window, id, intervalMs, procedure, queue->now());
}

bool killTimer(WindowHandle window, std::uintptr_t id) {
    auto queue = ownQueue();
    return queue && queue->timers().kill(window, id);
}

HookHandle setGetMessageHook(GetMessageHook hook) {
    auto queue = ownQueue();
    if (!queue || !hook) {
        return 0;
    }
    return queue->addHook(std::move(hook));
}

bool unhookGetMessage(HookHandle hook) {
    auto queue = ownQueue();
    return queue && queue->removeHook(hook);
}

std::size_t pumpPendingMessages(std::size_t limit) {
    std::size_t handled = 0;
    Message message;
    while (handled < limit && peekMessage(message, kAnyWindow, 0, 0, win32::PM_REMOVE)) {
        if (message.message == win32::WM_QUIT) {
            postQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        translateMessage(message);
        dispatchMessage(message);
        ++handled;
    }
    return handled;
}

uint64_t currentTime() {
    return uiQueue().now();
}

}  // namespace tamlo::platform
