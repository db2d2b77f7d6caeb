#include "platform/windowing/message_pump.h"

#include <chrono>

namespace tamlo::platform {
namespace {

uint64_t steadyMilliseconds() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

ConditionPump::ConditionPump(Time time) : time_(time) {}

uint64_t ConditionPump::nowMilliseconds() {
    if (time_ == Time::Real) {
        return steadyMilliseconds();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    return virtualNow_;
}

void ConditionPump::waitForEvent(std::optional<uint64_t> deadline) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (time_ == Time::Real && deadline) {
        uint64_t now = steadyMilliseconds();
        if (*deadline > now) {
            woken_.wait_for(lock, std::chrono::milliseconds(*deadline - now),
                            [this] { return wakePending_; });
        }
    } else if (time_ == Time::Virtual && deadline && *deadline <= virtualNow_) {
        // Already due: nothing to wait for.
    } else {
        woken_.wait(lock, [this] { return wakePending_; });
    }
    wakePending_ = false;
}

void ConditionPump::wake() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        wakePending_ = true;
    }
    woken_.notify_all();
}

void ConditionPump::advance(uint64_t milliseconds) {
    if (time_ != Time::Virtual) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        virtualNow_ += milliseconds;
        wakePending_ = true;
    }
    woken_.notify_all();
}

}  // namespace tamlo::platform
