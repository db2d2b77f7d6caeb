#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/headless/backend.h"
#include "platform/win32_constants.h"
#include "runtime_fixture.h"

namespace tamlo::test {
namespace {

using namespace tamlo::platform;

// Records into a shared log and counts how it ended.
class LoggingRunnable : public SRService::IRunable {
  public:
    LoggingRunnable(std::vector<std::string>& log, std::string name)
        : log_(log), name_(std::move(name)) {}
    void run() override {
        ++runs;
        log_.push_back(name_);
    }
    void cancel() override { ++cancels; }

    std::atomic<int> runs{0};
    std::atomic<int> cancels{0};

  private:
    std::vector<std::string>& log_;
    std::string name_;
};

// What a worker's notification does: wait for the UI thread's answer; 0 when dropped.
class AnswerRunable : public SRService::IRunable {
  public:
    void run() override { answer_.set_value(7); }
    void cancel() override { answer_.set_value(0); }
    int wait() { return answer_.get_future().get(); }

  private:
    std::promise<int> answer_;
};

bool takeOne() {
    Message m;
    if (!peekMessage(m, kAnyWindow, 0, 0, win32::PM_REMOVE)) {
        return false;
    }
    dispatchMessage(m);
    return true;
}

using RunQueue = RuntimeTest;

TEST_F(RunQueue, ThreeRunnablesRunInPostingOrderOnePerWmNull) {
    std::vector<std::string> log;
    ASSERT_TRUE(SRService::start());
    ASSERT_TRUE(takeOne());  // the start's own WM_NULL finds nothing
    EXPECT_TRUE(log.empty());

    auto a = std::make_shared<LoggingRunnable>(log, "a");
    ASSERT_TRUE(SRService::post(a));
    ASSERT_TRUE(SRService::post(std::make_shared<LoggingRunnable>(log, "b")));
    ASSERT_TRUE(SRService::post(std::make_shared<LoggingRunnable>(log, "c")));
    EXPECT_EQ(SRService::pendingCount(), 3u);

    ASSERT_TRUE(takeOne());
    EXPECT_EQ(log, (std::vector<std::string>{"a"}));
    ASSERT_TRUE(takeOne());
    ASSERT_TRUE(takeOne());
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_FALSE(takeOne());
    EXPECT_EQ(a->runs, 1);
    EXPECT_EQ(a->cancels, 0);
}

TEST_F(RunQueue, APeekWithoutRemovalRunsNothing) {
    std::vector<std::string> log;
    SRService::start();
    takeOne();
    SRService::post(std::make_shared<LoggingRunnable>(log, "a"));
    Message m;
    while (peekMessage(m, kAnyWindow, 0, 0, win32::PM_NOREMOVE)) {
        EXPECT_TRUE(log.empty());
        peekMessage(m, kAnyWindow, 0, 0, win32::PM_REMOVE);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"a"}));
}

TEST_F(RunQueue, ARunnableRunsWhileAMessageBoxIsOpen) {
    std::vector<std::string> log;
    SRService::start();
    SRService::post(std::make_shared<LoggingRunnable>(log, "during box"));
    HeadlessBackend backend;
    std::vector<std::string> seenByBox;
    setMessageBoxResponder([&](const MessageBoxRequest&) {
        seenByBox = log;
        return win32::IDOK;
    });
    backend.messageBox(0, u"text", u"caption", win32::MB_OK);
    setMessageBoxResponder(nullptr);
    EXPECT_EQ(seenByBox, (std::vector<std::string>{"during box"}));
}

TEST_F(RunQueue, ARunnablePostedFromAWorkerWakesABlockedLoop) {
    std::vector<std::string> log;
    SRService::start();
    takeOne();
    auto item = std::make_shared<AnswerRunable>();
    std::atomic<int> answer{-1};
    std::thread worker([&] {
        SRService::post(item);
        answer = item->wait();
    });
    Message m;
    ASSERT_EQ(getMessage(m), 1);
    worker.join();
    EXPECT_EQ(answer, 7);
}

TEST_F(RunQueue, ARefusedRunnableIsCancelledAtOnceSoItsPosterDoesNotWait) {
    auto item = std::make_shared<AnswerRunable>();
    std::atomic<int> answer{-1};
    std::thread worker([&] {
        EXPECT_FALSE(SRService::post(item));
        answer = item->wait();
    });
    worker.join();
    EXPECT_EQ(answer, 0);
}

TEST_F(RunQueue, StopServesTheQueueUntilTheWorkerWaitingOnAnItemHasEnded) {
    ASSERT_TRUE(SRService::start());
    std::atomic<bool> posted{false};
    std::atomic<int> answer{-1};
    auto item = std::make_shared<AnswerRunable>();
    SRService::addThread(std::thread([&] {
        posted = SRService::post(item);
        answer = item->wait();
    }));
    while (!posted) {
        std::this_thread::yield();
    }
    SRService::stop();  // never pumped before: the stop runs it, then joins the worker
    EXPECT_EQ(answer, 7);
    EXPECT_FALSE(SRService::isRunning());
    EXPECT_EQ(SRService::pendingCount(), 0u);
}

TEST_F(RunQueue, StopWaitsForAWorkerHandedToTheReaper) {
    SRService::start();
    std::atomic<bool> release{false};
    std::atomic<bool> finished{false};
    SRService::addThread(std::thread([&] {
        while (!release) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        finished = true;
    }));
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        release = true;
    });
    SRService::stop();
    EXPECT_TRUE(finished);
    releaser.join();
}

TEST_F(RunQueue, TheReaperJoinsMoreThanSixtyFourThreads) {
    SRService::start();
    constexpr int kThreads = 100;
    std::atomic<int> ended{0};
    std::atomic<bool> release{false};
    for (int i = 0; i < kThreads; ++i) {
        SRService::addThread(std::thread([&] {
            while (!release) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            ++ended;
        }));
    }
    release = true;
    SRService::stop();
    EXPECT_EQ(ended, kThreads);
}

TEST_F(RunQueue, AThreadHandedOverWhileStoppedIsJoinedAtOnce) {
    std::atomic<bool> finished{false};
    SRService::addThread(std::thread([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        finished = true;
    }));
    EXPECT_TRUE(finished);
}

TEST_F(RunQueue, EachPostedItemEitherRunsOrIsCancelledExactlyOnce) {
    std::vector<std::string> log;
    SRService::start();
    takeOne();  // the start's WM_NULL
    std::vector<std::shared_ptr<LoggingRunnable>> items;
    for (int i = 0; i < 6; ++i) {
        items.push_back(std::make_shared<LoggingRunnable>(log, std::to_string(i)));
        SRService::post(items.back());
    }
    takeOne();
    takeOne();
    SRService::stop();
    pumpPendingMessages();      // leftover WM_NULLs find no hook
    SRService::post(items[0]);  // refused
    int runs = 0;
    int cancels = 0;
    for (auto& item : items) {
        EXPECT_EQ(item->runs + item->cancels, item == items[0] ? 2 : 1);
        runs += item->runs;
        cancels += item->cancels;
    }
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(cancels, 5);
}

TEST_F(RunQueue, ItRestartsAfterAStop) {
    std::vector<std::string> log;
    SRService::start();
    SRService::stop();
    ASSERT_TRUE(SRService::start());
    SRService::post(std::make_shared<LoggingRunnable>(log, "again"));
    pumpPendingMessages();
    EXPECT_EQ(log, (std::vector<std::string>{"again"}));
}

TEST_F(RunQueue, StartOffTheUiThreadFails) {
    bool started = true;
    std::thread other([&] { started = SRService::start(); });
    other.join();
    EXPECT_FALSE(started);
    EXPECT_FALSE(SRService::isRunning());
}

TEST_F(RunQueue, ManyWorkersPostingKeepEachWorkersOrder) {
    SRService::start();
    constexpr int kWorkers = 3;
    constexpr int kEach = 200;
    std::vector<std::string> log;
    for (int w = 0; w < kWorkers; ++w) {
        SRService::addThread(std::thread([&, w] {
            for (int i = 0; i < kEach; ++i) {
                SRService::post(std::make_shared<LoggingRunnable>(
                    log, std::to_string(w) + ":" + std::to_string(i)));
            }
        }));
    }
    std::size_t expected = kWorkers * kEach;
    Message m;
    while (log.size() < expected && getMessage(m) > 0) {
        dispatchMessage(m);
    }
    std::vector<int> next(kWorkers, 0);
    for (const std::string& entry : log) {
        int worker = std::stoi(entry.substr(0, entry.find(':')));
        EXPECT_EQ(std::stoi(entry.substr(entry.find(':') + 1)), next[worker]++);
    }
    EXPECT_EQ(log.size(), expected);
}

}  // namespace
}  // namespace tamlo::test
