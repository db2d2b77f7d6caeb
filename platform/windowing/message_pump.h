#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

#include "platform/backend.h"

// The pump every backend can fall back on (the MessagePump interface is in
// platform/backend.h).
namespace tamlo::platform {

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
