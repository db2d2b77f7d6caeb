#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

// What the UI thread's message queue needs from a backend: the time its timers run on,
// and a way to sleep until something may have arrived. A GTK backend drives the same
// queue from a GLib source and implements the wait with the GLib loop.
namespace tamlo::platform {

class MessagePump {
  public:
    virtual ~MessagePump() = default;

    // Milliseconds on the clock that timers and message times use.
    virtual uint64_t nowMilliseconds() = 0;

    // Sleeps until `wake` is called, or `deadline` (on this pump's clock) has passed.
    // A wake that came before the call makes it return at once. It may return early.
    virtual void waitForEvent(std::optional<uint64_t> deadline) = 0;

    // Ends a current or the next wait. Callable from any thread.
    virtual void wake() = 0;
};

// A pump on a condition variable. Real time is a steady clock; virtual time stands still
// until `advance` moves it (tests), so a wait on virtual time ends only by a wake.
class ConditionPump : public MessagePump {
  public:
    enum class Time { Real, Virtual };

    explicit ConditionPump(Time time = Time::Real);

    uint64_t nowMilliseconds() override;
    void waitForEvent(std::optional<uint64_t> deadline) override;
    void wake() override;

    bool isVirtual() const { return time_ == Time::Virtual; }

    // Moves virtual time forward and wakes the waiting loop. Ignored on real time.
    void advance(uint64_t milliseconds);

  private:
    const Time time_;
    std::mutex mutex_;
    std::condition_variable woken_;
    bool wakePending_ = false;
    uint64_t virtualNow_ = 0;
};

}  // namespace tamlo::platform
