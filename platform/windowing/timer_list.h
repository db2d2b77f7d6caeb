#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/windowing/messages.h"

// The periodic timers of the UI thread (SetTimer/KillTimer). A due timer does not queue
// anything: like a Win32 queue, the retrieval that finds it due makes one WM_TIMER and
// schedules the next period, so a late loop sees one tick, not a backlog.
namespace tamlo::platform {

// TIMERPROC: called by dispatch for a WM_TIMER whose lParam carries it.
using TimerProcedure = void (*)(WindowHandle window, uint32_t message, std::uintptr_t timerId,
                                uint64_t time);

// Shortest period, as USER_TIMER_MINIMUM.
constexpr uint32_t kMinimumTimerInterval = 10;

// Window filter values of peek and get: any window and thread messages, or thread
// messages only (the -1 of PeekMessageW).
constexpr WindowHandle kAnyWindow = 0;
constexpr WindowHandle kThreadMessagesOnly = static_cast<WindowHandle>(-1);

class TimerList {
  public:
    // With a window, `id` names the timer and an existing one with the same id is
    // replaced. Without one, `id` replaces an existing thread timer of that id, else a new
    // id is chosen. Returns the id.
    std::uintptr_t set(WindowHandle window, std::uintptr_t id, uint32_t interval,
                       TimerProcedure procedure, uint64_t now);
    bool kill(WindowHandle window, std::uintptr_t id);
    void killAll(WindowHandle window);

    // The earliest due time among the timers the filter lets through.
    std::optional<uint64_t> nextDue(WindowHandle filter) const;

    // Makes the WM_TIMER of the most overdue timer the filter lets through, if any, and
    // (when `remove`) schedules its next period.
    bool takeDue(uint64_t now, WindowHandle filter, bool remove, Message& out);

    std::size_t size() const { return timers_.size(); }

  private:
    struct Entry {
        WindowHandle window;
        std::uintptr_t id;
        uint32_t interval;
        TimerProcedure procedure;
        uint64_t due;
    };

    static bool passes(const Entry& entry, WindowHandle filter);

    std::vector<Entry> timers_;
    std::uintptr_t lastThreadTimerId_ = 0x7FF0;
};

}  // namespace tamlo::platform
