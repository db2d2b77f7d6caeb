#include "runtime/thread_reaper.h"

#include <chrono>

namespace tamlo::SRService {
namespace {

constexpr std::chrono::milliseconds kPassInterval(10000);

}  // namespace

ThreadReaper::ThreadReaper(std::mutex& stateLock, std::function<void()> joined)
    : stateLock_(stateLock), joined_(std::move(joined)) {}

void ThreadReaper::joinAll(std::vector<std::thread>& threads) {
    for (std::thread& thread : threads) {
        if (thread.joinable()) {
            thread.join();
            --live_;
            if (joined_) {
                joined_();
            }
        }
    }
    threads.clear();
}

ThreadReaper::~ThreadReaper() {
    // The owner joins first; this only guards against a reaper left running.
    if (reaper_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(stateLock_);
            stopping_ = true;
        }
        changed_.notify_all();
        reaper_.join();
    }
    joinAll(handles_);
}

void ThreadReaper::add(std::thread thread) {
    if (!thread.joinable()) {
        return;
    }
    handles_.push_back(std::move(thread));
    ++live_;
    if (!reaper_.joinable()) {
        reaper_ = std::thread(&ThreadReaper::reap, this);
    }
    changed_.notify_all();
}

void ThreadReaper::signalStop() {
    stopping_ = true;
    changed_.notify_all();
}

void ThreadReaper::join() {
    if (reaper_.joinable()) {
        reaper_.join();
    }
}

std::vector<std::thread> ThreadReaper::takeHandles() {
    std::vector<std::thread> taken;
    std::lock_guard<std::mutex> lock(stateLock_);
    taken.swap(handles_);
    return taken;
}

void ThreadReaper::reap() {
    for (;;) {
        // 1-2. Join every thread handed in so far; later ones wait for the next pass.
        std::vector<std::thread> pass = takeHandles();
        joinAll(pass);

        // 3. Sleep until more arrive, the stop, or the pass interval.
        bool stopping;
        {
            std::unique_lock<std::mutex> lock(stateLock_);
            changed_.wait_for(lock, kPassInterval,
                              [this] { return stopping_ || !handles_.empty(); });
            stopping = stopping_;
        }
        if (stopping) {
            // 4. One last pass for what came in before the stop.
            pass = takeHandles();
            joinAll(pass);
            return;
        }
    }
}

}  // namespace tamlo::SRService
