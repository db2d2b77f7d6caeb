#include "tools/run/virtual_clock.h"

#include <chrono>

#include "platform/windowing/message_pump.h"
#include "platform/windowing/message_queue.h"

namespace tamlo::runtool {
namespace {

constexpr uint64_t kStepMs = 10;

}  // namespace

platform::ConditionPump* VirtualClockDriver::virtualPump() {
    auto* pump = dynamic_cast<platform::ConditionPump*>(&platform::uiQueue().pump());
    return pump != nullptr && pump->isVirtual() ? pump : nullptr;
}

bool VirtualClockDriver::jump(uint64_t milliseconds) {
    platform::ConditionPump* pump = virtualPump();
    if (pump == nullptr) {
        return false;
    }
    pump->advance(milliseconds);
    return true;
}

VirtualClockDriver::VirtualClockDriver() : queue_(platform::uiQueueIfAny()) {
    auto* pump = queue_ ? dynamic_cast<platform::ConditionPump*>(&queue_->pump()) : nullptr;
    if (pump == nullptr || !pump->isVirtual()) {
        return;
    }
    thread_ = std::thread([this, pump] {
        while (!stop_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
            pump->advance(kStepMs);
        }
    });
}

VirtualClockDriver::~VirtualClockDriver() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

}  // namespace tamlo::runtool
