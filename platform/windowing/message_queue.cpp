#include "platform/windowing/message_queue.h"

#include <algorithm>

namespace tamlo::platform {

MessageQueue::MessageQueue(std::unique_ptr<MessagePump> pump)
    : owner_(std::this_thread::get_id()), pump_(std::move(pump)) {}

void MessageQueue::post(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                        std::intptr_t lParam) {
    Message queued{window, message, wParam, lParam, pump_->nowMilliseconds()};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        posted_.push_back(queued);
    }
    pump_->wake();
}

void MessageQueue::postQuit(int exitCode) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quitPending_ = true;
        quitCode_ = exitCode;
    }
    pump_->wake();
}

void MessageQueue::postFront(const Message& message) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        posted_.push_front(message);
    }
    pump_->wake();
}

bool MessageQueue::inRange(uint32_t message, uint32_t first, uint32_t last) {
    if (first == 0 && last == 0) {
        return true;
    }
    return message >= first && message <= last;
}

bool MessageQueue::passesWindow(WindowHandle window, WindowHandle filter) {
    if (filter == kAnyWindow) {
        return true;
    }
    if (filter == kThreadMessagesOnly) {
        return window == 0;
    }
    return window == filter;
}

bool MessageQueue::take(Message& out, WindowHandle filter, uint32_t first, uint32_t last,
                        bool remove) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = posted_.begin(); it != posted_.end(); ++it) {
            if (passesWindow(it->window, filter) && inRange(it->message, first, last)) {
                out = *it;
                if (remove) {
                    posted_.erase(it);
                }
                return true;
            }
        }
        // WM_QUIT is a thread message: a loop filtered on one window never takes it.
        if (quitPending_ && (filter == kAnyWindow || filter == kThreadMessagesOnly) &&
            inRange(win32::WM_QUIT, first, last)) {
            out = Message{0, win32::WM_QUIT, static_cast<std::uintptr_t>(quitCode_), 0,
                          pump_->nowMilliseconds()};
            if (remove) {
                quitPending_ = false;
            }
            return true;
        }
    }
    if (inRange(win32::WM_TIMER, first, last)) {
        return timers_.takeDue(pump_->nowMilliseconds(), filter, remove, out);
    }
    return false;
}

void MessageQueue::forgetWindow(WindowHandle window) {
    timers_.killAll(window);
    std::lock_guard<std::mutex> lock(mutex_);
    posted_.erase(std::remove_if(posted_.begin(), posted_.end(),
                                 [&](const Message& m) { return m.window == window; }),
                  posted_.end());
}

std::size_t MessageQueue::postedCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return posted_.size();
}

HookHandle MessageQueue::addHook(GetMessageHook hook) {
    auto entry = std::make_shared<HookEntry>();
    entry->handle = ++lastHook_;
    entry->hook = std::move(hook);
    hooks_.push_back(entry);
    return entry->handle;
}

bool MessageQueue::removeHook(HookHandle handle) {
    auto it = std::find_if(hooks_.begin(), hooks_.end(),
                           [&](const auto& entry) { return entry->handle == handle; });
    if (it == hooks_.end()) {
        return false;
    }
    (*it)->active = false;  // a chain already under way skips it
    hooks_.erase(it);
    return true;
}

void MessageQueue::runHooks(Message& message, bool removed) {
    if (hooks_.empty()) {
        return;
    }
    // A hook may add or remove hooks, or run a nested loop: walk a copy.
    std::vector<std::shared_ptr<HookEntry>> chain(hooks_.rbegin(), hooks_.rend());
    for (const auto& entry : chain) {
        if (entry->active) {
            entry->hook(message, removed);
        }
    }
}

}  // namespace tamlo::platform
