#include "dui/core/timer.h"

#include <map>

#include "platform/windowing/message_loop.h"

namespace tamlo {
namespace {

std::map<std::uintptr_t, Timer*>& timerTable() {
    static std::map<std::uintptr_t, Timer*> table;
    return table;
}

}  // namespace

Timer::~Timer() {
    stop();
}

void Timer::start() {
    if (running_) {
        return;
    }
    std::uintptr_t id = platform::setTimer(0, 0, interval_, &Timer::timerProcedure);
    if (id == 0) {
        return;
    }
    systemId_ = id;
    running_ = true;
    timerTable()[id] = this;
    onTimer();
}

void Timer::stop() {
    if (!running_) {
        return;
    }
    running_ = false;
    platform::killTimer(0, systemId_);
    auto it = timerTable().find(systemId_);
    if (it != timerTable().end() && it->second == this) {
        timerTable().erase(it);
    }
}

Timer* Timer::find(std::uintptr_t systemId) {
    auto it = timerTable().find(systemId);
    return it == timerTable().end() ? nullptr : it->second;
}

void Timer::timerProcedure(std::uintptr_t, uint32_t, std::uintptr_t timerId, uint64_t) {
    Timer* timer = find(timerId);
    if (timer != nullptr && timer->running_) {
        timer->onTimer();
    }
}

}  // namespace tamlo
