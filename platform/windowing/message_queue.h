#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/windowing/message_pump.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/timer_list.h"

// The message queue of the UI thread: posted messages (from any thread), the quit
// request, the thread's timers and its get-message hooks. The loop functions of
// platform/windowing/message_loop.h are the way to use it; this class is their state.
namespace tamlo::platform {

// Sees every message a get or peek takes (WH_GETMESSAGE); `removed` is the PM_REMOVE
// of the call. It runs on the UI thread with no queue lock held and may change the
// message before the caller gets it.
using GetMessageHook = std::function<void(Message& message, bool removed)>;
using HookHandle = uint64_t;

class MessageQueue {
  public:
    explicit MessageQueue(std::unique_ptr<MessagePump> pump);
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    std::thread::id ownerThread() const { return owner_; }
    MessagePump& pump() { return *pump_; }
    uint64_t now() { return pump_->nowMilliseconds(); }

    // Any thread.
    void post(WindowHandle window, uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void postQuit(int exitCode);

    // UI thread only from here on.

    // Queues a message ahead of everything else (the WM_CHAR of a translated key).
    void postFront(const Message& message);

    // Finds the next message the filter lets through without waiting: posted messages in
    // order, then WM_QUIT, then a due timer. `remove` takes it out of the queue. Hooks are
    // not run here.
    bool take(Message& out, WindowHandle filter, uint32_t first, uint32_t last, bool remove);

    std::optional<uint64_t> nextTimerDue(WindowHandle filter) const {
        return timers_.nextDue(filter);
    }
    TimerList& timers() { return timers_; }

    // Drops the window's queued messages and timers (it was destroyed).
    void forgetWindow(WindowHandle window);

    std::size_t postedCount();

    HookHandle addHook(GetMessageHook hook);
    bool removeHook(HookHandle handle);
    // Newest hook first, as a hook chain calls them.
    void runHooks(Message& message, bool removed);

  private:
    struct HookEntry {
        HookHandle handle;
        GetMessageHook hook;
        bool active = true;
    };

    static bool inRange(uint32_t message, uint32_t first, uint32_t last);
    static bool passesWindow(WindowHandle window, WindowHandle filter);

    const std::thread::id owner_;
    std::unique_ptr<MessagePump> pump_;

    std::mutex mutex_;  // guards posted_, quitPending_, quitCode_
    std::deque<Message> posted_;
    bool quitPending_ = false;
    int quitCode_ = 0;

    TimerList timers_;
    std::vector<std::shared_ptr<HookEntry>> hooks_;
    HookHandle lastHook_ = 0;
};

// The UI thread's queue, made on first use by the calling thread (which becomes the UI
// thread) with the started backend's pump, or a real-time pump without a backend.
MessageQueue& uiQueue();

// The queue if one exists; safe from any thread.
std::shared_ptr<MessageQueue> uiQueueIfAny();

// Replaces the UI thread's queue with a fresh one on the calling thread (tests; start-up).
// Pending messages, timers and hooks of the old queue are dropped.
MessageQueue& createUiQueue(std::unique_ptr<MessagePump> pump);

// Drops the queue; the next use makes a new one.
void discardUiQueue();

}  // namespace tamlo::platform
