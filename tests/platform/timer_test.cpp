#include <atomic>
#include <chrono>
#include <thread>

#include "dui/core/timer.h"
#include "message_queue_fixture.h"

namespace tamlo::test {
namespace {

using namespace tamlo::platform;
using namespace tamlo::win32;

using QueueTimers = MessageQueueTest;

int timerCount(WindowHandle filter = kAnyWindow) {
    int count = 0;
    Message m;
    while (peekMessage(m, filter, 0, 0, PM_REMOVE)) {
        if (m.message == WM_TIMER) {
            ++count;
            dispatchMessage(m);
        }
    }
    return count;
}

TEST_F(QueueTimers, AWindowTimerFirstFiresOneIntervalAfterItWasSet) {
    RecordingWindow window;
    ASSERT_EQ(setTimer(window.handle, 5, 100, nullptr), 5u);
    clock->advance(99);
    EXPECT_EQ(timerCount(), 0);
    clock->advance(1);
    EXPECT_EQ(timerCount(), 1);
    ASSERT_EQ(window.messageNumbers(), (std::vector<uint32_t>{WM_TIMER}));
    EXPECT_EQ(window.received[0].wParam, 5u);
    EXPECT_EQ(timerCount(), 0);  // one tick per period
    clock->advance(100);
    EXPECT_EQ(timerCount(), 1);
}

TEST_F(QueueTimers, KilledTimersStopAndALateLoopSeesOneTickNotABacklog) {
    RecordingWindow window;
    setTimer(window.handle, 1, 50, nullptr);
    clock->advance(500);
    EXPECT_EQ(timerCount(), 1);
    clock->advance(50);
    EXPECT_EQ(timerCount(), 1);
    EXPECT_TRUE(killTimer(window.handle, 1));
    EXPECT_FALSE(killTimer(window.handle, 1));
    clock->advance(1000);
    EXPECT_EQ(timerCount(), 0);
}

TEST_F(QueueTimers, SettingTheSameWindowTimerAgainRestartsItsPeriod) {
    RecordingWindow window;
    setTimer(window.handle, 1, 100, nullptr);
    clock->advance(80);
    setTimer(window.handle, 1, 100, nullptr);
    clock->advance(80);
    EXPECT_EQ(timerCount(), 0);
    clock->advance(20);
    EXPECT_EQ(timerCount(), 1);
}

TEST_F(QueueTimers, TimersOfADestroyedWindowAreGone) {
    auto window = std::make_unique<RecordingWindow>();
    setTimer(window->handle, 1, 10, nullptr);
    window.reset();
    clock->advance(100);
    EXPECT_EQ(timerCount(), 0);
    EXPECT_EQ(uiQueue().timers().size(), 0u);
}

std::vector<std::uintptr_t> callbackIds;
void recordCallback(WindowHandle, uint32_t message, std::uintptr_t id, uint64_t) {
    if (message == WM_TIMER) {
        callbackIds.push_back(id);
    }
}

TEST_F(QueueTimers, ThreadTimersCallTheirProcedureWithTheirOwnIds) {
    callbackIds.clear();
    std::uintptr_t a = setTimer(0, 0, 30, recordCallback);
    std::uintptr_t b = setTimer(0, 0, 20, recordCallback);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(setTimer(0, 0, 10, nullptr), 0u);  // a thread timer needs a procedure
    clock->advance(30);
    EXPECT_EQ(timerCount(), 2);
    EXPECT_EQ(callbackIds, (std::vector<std::uintptr_t>{b, a}));  // most overdue first
}

TEST_F(QueueTimers, ATimerFilterSeesOnlyItsWindow) {
    RecordingWindow a;
    RecordingWindow b;
    setTimer(a.handle, 1, 10, nullptr);
    setTimer(b.handle, 1, 10, nullptr);
    clock->advance(10);
    EXPECT_EQ(timerCount(b.handle), 1);
    EXPECT_TRUE(a.received.empty());
    EXPECT_EQ(timerCount(kThreadMessagesOnly), 0);
}

TEST_F(QueueTimers, ABlockedGetWakesWhenAnotherThreadAdvancesVirtualTime) {
    RecordingWindow window;
    setTimer(window.handle, 3, 100, nullptr);
    std::thread advancer([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        clock->advance(100);
    });
    Message m;
    EXPECT_EQ(getMessage(m), 1);
    advancer.join();
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.wParam, 3u);
}

TEST(RealClockTimers, AGetOnRealTimeReturnsTheTickOnceItIsDue) {
    createUiQueue(std::make_unique<ConditionPump>(ConditionPump::Time::Real));
    RecordingWindow window;
    setTimer(window.handle, 1, 10, nullptr);
    Message m;
    EXPECT_EQ(getMessage(m), 1);
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.window, window.handle);
    killTimer(window.handle, 1);
}

class CountingTimer : public Timer {
  public:
    explicit CountingTimer(uint32_t interval) : Timer(interval) {}
    int ticks = 0;
    bool stopOnTick = false;

  protected:
    void onTimer() override {
        ++ticks;
        if (stopOnTick) {
            stop();
        }
    }
};

using EngineTimers = MessageQueueTest;

TEST_F(EngineTimers, StartTicksAtOnceThenEveryInterval) {
    CountingTimer timer(100);
    timer.start();
    EXPECT_TRUE(timer.isRunning());
    EXPECT_EQ(timer.ticks, 1);
    EXPECT_EQ(Timer::find(timer.systemId()), &timer);
    timer.start();  // already running: no second tick
    EXPECT_EQ(timer.ticks, 1);
    clock->advance(99);
    timerCount();
    EXPECT_EQ(timer.ticks, 1);
    clock->advance(1);
    timerCount();
    EXPECT_EQ(timer.ticks, 2);
}

TEST_F(EngineTimers, StopEndsTicksAndForgetsTheId) {
    CountingTimer timer(10);
    timer.start();
    std::uintptr_t id = timer.systemId();
    timer.stop();
    EXPECT_FALSE(timer.isRunning());
    EXPECT_EQ(Timer::find(id), nullptr);
    clock->advance(100);
    timerCount();
    EXPECT_EQ(timer.ticks, 1);
    timer.start();  // restart ticks again at once
    EXPECT_EQ(timer.ticks, 2);
}

TEST_F(EngineTimers, ATimerDestroyedWhileRunningNeverTicksAgain) {
    auto timer = std::make_unique<CountingTimer>(10);
    timer->start();
    std::uintptr_t id = timer->systemId();
    timer.reset();
    EXPECT_EQ(Timer::find(id), nullptr);
    clock->advance(100);
    EXPECT_EQ(timerCount(), 0);
}

TEST_F(EngineTimers, ATimerMayStopItselfFromItsTick) {
    CountingTimer timer(10);
    timer.start();
    timer.stopOnTick = true;
    clock->advance(10);
    timerCount();
    EXPECT_EQ(timer.ticks, 2);
    EXPECT_FALSE(timer.isRunning());
    clock->advance(10);
    timerCount();
    EXPECT_EQ(timer.ticks, 2);
}

TEST(EngineTimersOffThread, AStartThatCannotSetATimerLeavesItStopped) {
    createUiQueue(nullptr);
    CountingTimer timer(10);
    std::thread other([&] { timer.start(); });
    other.join();
    EXPECT_FALSE(timer.isRunning());
    EXPECT_EQ(timer.ticks, 0);
    discardUiQueue();
}

}  // namespace
}  // namespace tamlo::test
