#include "runtime/run_queue.h"

#include <deque>
#include <mutex>
#include <vector>

#include "platform/windowing/message_loop.h"
#include "runtime/thread_reaper.h"

namespace tamlo::SRService {
namespace {

// Lock order: stateLock before queueLock. Items run with neither held.
struct RunQueueState {
    std::mutex stateLock;
    std::mutex queueLock;
    bool running = false;
    platform::ThreadId uiThread;
    platform::HookHandle hook = 0;
    std::unique_ptr<ThreadReaper> reaper;
    std::deque<std::shared_ptr<IRunable>> queue;
};

RunQueueState& state() {
    static RunQueueState instance;
    return instance;
}

// One removed WM_NULL thread message runs at most one item; every post adds one item and
// one WM_NULL, so the queue drains in posting order.
void runOne(platform::Message& message, bool removed) {
    if (!removed || message.window != 0 || message.message != win32::WM_NULL) {
        return;
    }
    std::shared_ptr<IRunable> item;
    {
        RunQueueState& s = state();
        std::lock_guard<std::mutex> lock(s.queueLock);
        if (s.queue.empty()) {
            return;
        }
        item = std::move(s.queue.front());
        s.queue.pop_front();
    }
    item->run();
}

}  // namespace

bool start() {
    RunQueueState& s = state();
    std::lock_guard<std::mutex> lock(s.stateLock);
    if (s.running) {
        return true;
    }
    platform::HookHandle hook = platform::setGetMessageHook(runOne);
    if (hook == 0) {
        return false;  // not the UI thread
    }
    s.hook = hook;
    s.uiThread = platform::uiThreadId();
    // Each join wakes the UI thread, so a loop waiting for the workers sees the count fall.
    const platform::ThreadId uiThread = s.uiThread;
    s.reaper = std::make_unique<ThreadReaper>(
        s.stateLock, [uiThread] { platform::postThreadMessage(uiThread, win32::WM_NULL, 0, 0); });
    s.running = true;
    platform::postMessage(0, win32::WM_NULL, 0, 0);
    return true;
}

bool post(std::shared_ptr<IRunable> runnable) {
    if (!runnable) {
        return false;
    }
    RunQueueState& s = state();
    {
        std::lock_guard<std::mutex> stateLock(s.stateLock);
        if (s.running) {
            std::lock_guard<std::mutex> queueLock(s.queueLock);
            s.queue.push_back(runnable);
            if (platform::postThreadMessage(s.uiThread, win32::WM_NULL, 0, 0)) {
                return true;
            }
            s.queue.pop_back();  // the UI thread's queue is gone: nothing would run it
        }
    }
    runnable->cancel();
    return false;
}

void addThread(std::thread thread) {
    if (!thread.joinable()) {
        return;
    }
    RunQueueState& s = state();
    {
        std::lock_guard<std::mutex> lock(s.stateLock);
        if (s.running) {
            s.reaper->add(std::move(thread));
            return;
        }
    }
    // Posts are refused while stopped, so the worker cannot be waiting for this thread.
    thread.join();
}

void serveUntilWorkersEnd() {
    RunQueueState& s = state();
    ThreadReaper* reaper = nullptr;
    {
        std::lock_guard<std::mutex> lock(s.stateLock);
        if (!s.running || !platform::isUiThread()) {
            return;
        }
        reaper = s.reaper.get();  // only stop() replaces it, on this thread
    }
    bool quit = false;
    int quitCode = 0;
    while (reaper->liveCount() > 0) {
        platform::Message message;
        const int got = platform::getMessage(message);
        if (got < 0) {
            break;
        }
        if (got == 0) {
            quit = true;
            quitCode = static_cast<int>(message.wParam);
            continue;
        }
        platform::translateMessage(message);
        platform::dispatchMessage(message);
    }
    if (quit) {
        platform::postQuitMessage(quitCode);
    }
}

void stop() {
    RunQueueState& s = state();
    if (platform::isUiThread()) {
        serveUntilWorkersEnd();
    }
    std::deque<std::shared_ptr<IRunable>> dropped;
    std::unique_ptr<ThreadReaper> reaper;
    {
        std::lock_guard<std::mutex> stateLock(s.stateLock);
        if (!s.running) {
            return;
        }
        s.running = false;
        s.reaper->signalStop();
        reaper = std::move(s.reaper);
        platform::unhookGetMessage(s.hook);
        s.hook = 0;
        std::lock_guard<std::mutex> queueLock(s.queueLock);
        dropped.swap(s.queue);
    }
    // Release the posters of dropped items before waiting for their threads.
    for (auto& item : dropped) {
        item->cancel();
    }
    dropped.clear();
    reaper->join();
}

bool isRunning() {
    RunQueueState& s = state();
    std::lock_guard<std::mutex> lock(s.stateLock);
    return s.running;
}

std::size_t pendingCount() {
    RunQueueState& s = state();
    std::lock_guard<std::mutex> lock(s.queueLock);
    return s.queue.size();
}

}  // namespace tamlo::SRService
