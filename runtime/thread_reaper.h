#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tamlo::SRService {

// Joins handed-over threads on a thread of its own. A pass takes every thread handed in
// so far and joins them one after the other, so there is no limit on how many wait in
// one pass. The owner's lock guards the list (it is the run queue's state lock).
class ThreadReaper {
  public:
    // `joined` is called on the reaper's thread after each join, with no lock held.
    ThreadReaper(std::mutex& stateLock, std::function<void()> joined);
    ~ThreadReaper();
    ThreadReaper(const ThreadReaper&) = delete;
    ThreadReaper& operator=(const ThreadReaper&) = delete;

    // Caller holds the state lock. Starts the reaper thread with the first handle.
    void add(std::thread thread);

    // Caller holds the state lock: the next pass is the last one.
    void signalStop();

    // Caller holds no lock: waits for the last pass to finish.
    void join();

    // Threads handed in and not yet joined (any thread).
    std::size_t liveCount() const { return live_.load(); }

  private:
    void reap();
    std::vector<std::thread> takeHandles();

    void joinAll(std::vector<std::thread>& threads);

    std::mutex& stateLock_;
    std::function<void()> joined_;
    std::atomic<std::size_t> live_{0};
    std::condition_variable changed_;
    std::vector<std::thread> handles_;
    bool stopping_ = false;
    std::thread reaper_;
};

}  // namespace tamlo::SRService
