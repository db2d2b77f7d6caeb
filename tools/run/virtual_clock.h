#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

namespace tamlo::platform {
class ConditionPump;
class MessageQueue;
}  // namespace tamlo::platform

namespace tamlo::runtool {

// With TAMLO_HEADLESS_CLOCK=virtual nothing moves the UI thread's clock, so a run would
// stand still. While it lives, this moves virtual time along with real time in small
// steps (timers, animations and step ticks keep going); a `wait` step jumps it at once.
// Nothing happens on a real clock. Make it once the UI queue exists; it keeps that queue
// alive until it is gone.
class VirtualClockDriver {
  public:
    VirtualClockDriver();
    ~VirtualClockDriver();
    VirtualClockDriver(const VirtualClockDriver&) = delete;
    VirtualClockDriver& operator=(const VirtualClockDriver&) = delete;

    // The UI thread's pump when its time is virtual, else null.
    static platform::ConditionPump* virtualPump();

    // Moves virtual time forward by `milliseconds`; false on a real clock.
    static bool jump(uint64_t milliseconds);

  private:
    std::shared_ptr<platform::MessageQueue> queue_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace tamlo::runtool
