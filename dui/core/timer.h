#pragma once

#include <cstdint>

namespace tamlo {

// A periodic UI-thread timer with one virtual tick. Starting it ticks once at once and
// then every interval; a process-wide table finds the timer of a system timer id.
// UI thread only.
class Timer {
  public:
    explicit Timer(uint32_t intervalMs = 0) : interval_(intervalMs) {}
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    // Stops the timer, so no tick can reach a destroyed object.
    virtual ~Timer();

    // Nothing when already running. Otherwise sets the system timer and, when that
    // succeeds, marks it running and ticks once now. A failure leaves it stopped.
    void start();
    // Nothing when stopped.
    void stop();

    bool isRunning() const { return running_; }
    uint32_t interval() const { return interval_; }
    // Takes effect at the next start.
    void setInterval(uint32_t intervalMs) { interval_ = intervalMs; }
    std::uintptr_t systemId() const { return systemId_; }

    // The running timer of a system id, or null.
    static Timer* find(std::uintptr_t systemId);

  protected:
    virtual void onTimer() = 0;

  private:
    static void timerProcedure(std::uintptr_t window, uint32_t message, std::uintptr_t timerId,
                               uint64_t time);

    uint32_t interval_;
    std::uintptr_t systemId_ = 0;
    bool running_ = false;
};

}  // namespace tamlo
