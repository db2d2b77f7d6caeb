#include "platform/windowing/timer_list.h"

#include <algorithm>

namespace tamlo::platform {

std::uintptr_t TimerList::set(WindowHandle window, std::uintptr_t id, uint32_t interval,
                              TimerProcedure procedure, uint64_t now) {
    interval = std::max(interval, kMinimumTimerInterval);
    if (window == 0) {
        bool taken = id != 0 && std::any_of(timers_.begin(), timers_.end(), [&](const Entry& e) {
                         return e.window == 0 && e.id == id;
                     });
        if (!taken) {
            do {
                id = ++lastThreadTimerId_;
            } while (id == 0 || std::any_of(timers_.begin(), timers_.end(), [&](const Entry& e) {
                         return e.window == 0 && e.id == id;
                     }));
        }
    }
    Entry entry{window, id, interval, procedure, now + interval};
    for (Entry& existing : timers_) {
        if (existing.window == window && existing.id == id) {
            existing = entry;
            return id;
        }
    }
    timers_.push_back(entry);
    return id;
}

bool TimerList::kill(WindowHandle window, std::uintptr_t id) {
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [&](const Entry& e) { return e.window == window && e.id == id; });
    if (it == timers_.end()) {
        return false;
    }
    timers_.erase(it);
    return true;
}

void TimerList::killAll(WindowHandle window) {
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                                 [&](const Entry& e) { return e.window == window; }),
                  timers_.end());
}

bool TimerList::passes(const Entry& entry, WindowHandle filter) {
    if (filter == kAnyWindow) {
        return true;
    }
    if (filter == kThreadMessagesOnly) {
        return entry.window == 0;
    }
    return entry.window == filter;
}

std::optional<uint64_t> TimerList::nextDue(WindowHandle filter) const {
    std::optional<uint64_t> earliest;
    for (const Entry& entry : timers_) {
        if (passes(entry, filter) && (!earliest || entry.due < *earliest)) {
            earliest = entry.due;
        }
    }
    return earliest;
}

bool TimerList::takeDue(uint64_t now, WindowHandle filter, bool remove, Message& out) {
    Entry* chosen = nullptr;
    for (Entry& entry : timers_) {
        if (entry.due <= now && passes(entry, filter) && (!chosen || entry.due < chosen->due)) {
            chosen = &entry;
        }
    }
    if (chosen == nullptr) {
        return false;
    }
    out.window = chosen->window;
    out.message = win32::WM_TIMER;
    out.wParam = chosen->id;
    out.lParam = reinterpret_cast<std::intptr_t>(chosen->procedure);
    out.time = now;
    if (remove) {
        // Keep the period's phase; a loop that fell behind skips the missed ticks.
        chosen->due += chosen->interval;
        if (chosen->due <= now) {
            chosen->due = now + chosen->interval;
        }
    }
    return true;
}

}  // namespace tamlo::platform
