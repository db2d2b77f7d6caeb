#pragma once

#include <cstddef>
#include <memory>
#include <thread>

// The UI thread's run queue: work items posted from any thread run one at a time on the
// UI thread, from a get-message hook, inside whatever loop is pumping (modal ones too).
// It also owns the reaper that waits for finished worker threads, so that stopping the
// queue waits for every worker handed to it.
namespace tamlo::SRService {

class IRunable {
  public:
    virtual ~IRunable() = default;
    virtual void run() = 0;

    // Called instead of `run` when the queue refuses the item (not running) or drops it
    // (stopped before its turn), so a poster waiting for an answer is released. For every
    // posted item exactly one of `run` and `cancel` is called, with no queue lock held.
    virtual void cancel() {}
};

// Starts the queue on the calling thread, which must be the UI thread. True when it runs
// (also when it already ran).
bool start();

// Queues the item and wakes the UI thread (any thread). When the queue is not running the
// item is refused: `cancel` is called at once and the result is false.
bool post(std::shared_ptr<IRunable> runnable);

// Hands a worker thread to the reaper, which joins it once it ends (UI thread). A thread
// handed over while the queue is not running is joined here and now.
void addThread(std::thread thread);

// Runs the UI thread's loop (windows, posted items) until every thread handed to the
// reaper has ended; returns at once when none runs or the queue is not running. A quit
// met meanwhile is posted again afterwards, so the enclosing loop still ends (UI thread).
void serveUntilWorkersEnd();

// Stops the queue (UI thread). First it keeps serving the queue until every thread handed
// to the reaper has ended, so a late worker's boxes and notifications still run; then what
// is left queued is dropped and cancelled.
void stop();

bool isRunning();
std::size_t pendingCount();

}  // namespace tamlo::SRService
