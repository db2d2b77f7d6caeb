#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/windowing/posted_call.h"
#include "platform/windowing/window_registry.h"
#include "resources/file_system.h"
#include "runtime/dispatcher_window.h"
#include "runtime_fixture.h"

namespace tamlo::test {
namespace {

using namespace tamlo::platform;

struct CallLog {
    std::vector<std::pair<std::uintptr_t, std::uintptr_t>> calls;
    bool repostResult = true;
};

void recordCall(void* object, std::uintptr_t a1, std::uintptr_t a2) {
    static_cast<CallLog*>(object)->calls.emplace_back(a1, a2);
}

void recordAndRepost(void* object, std::uintptr_t a1, std::uintptr_t a2) {
    auto* log = static_cast<CallLog*>(object);
    log->calls.emplace_back(a1, a2);
    log->repostResult = postCall(object, recordCall, 99, 99);
}

using PostedCalls = RuntimeTest;

TEST_F(PostedCalls, NothingIsPostedBeforeTheContextExists) {
    CallLog log;
    EXPECT_EQ(uiContext(), nullptr);
    EXPECT_FALSE(postCall(&log, recordCall, 1, 2));
    pumpPendingMessages();
    EXPECT_TRUE(log.calls.empty());
}

TEST_F(PostedCalls, ACallRunsFromTheLoopWithItsArgumentsOnTheDispatcherWindow) {
    UiContext* context = createUiContext();
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(createUiContext(), context);
    EXPECT_EQ(windowClassName(context->dispatcherWindow), u"Dispatcher_Corvo124");

    CallLog log;
    ASSERT_TRUE(postCall(&log, recordCall, 1, 2));
    EXPECT_TRUE(log.calls.empty());  // deferred, not called in place
    Message m;
    ASSERT_TRUE(peekMessage(m, kAnyWindow, 0, 0, win32::PM_REMOVE));
    EXPECT_EQ(m.window, context->dispatcherWindow);
    EXPECT_EQ(m.message, kPostedCallMessage);
    dispatchMessage(m);
    EXPECT_EQ(log.calls, (std::vector<std::pair<std::uintptr_t, std::uintptr_t>>{{1, 2}}));
}

TEST_F(PostedCalls, CallsPostedFromAnotherThreadRunOnTheUiThread) {
    createUiContext();
    CallLog log;
    std::thread worker([&] {
        for (std::uintptr_t i = 0; i < 3; ++i) {
            postCall(&log, recordCall, i, 0);
        }
    });
    worker.join();
    pumpPendingMessages();
    ASSERT_EQ(log.calls.size(), 3u);
    EXPECT_EQ(log.calls[2].first, 2u);
}

TEST_F(PostedCalls, TearDownDeliversEarlierCallsAndRefusesLaterOnes) {
    createUiContext();
    CallLog log;
    postCall(&log, recordCall, 1, 0);
    postCall(&log, recordAndRepost, 2, 0);
    std::size_t windows = windowCount();
    destroyUiContext();
    // Both were delivered by the tear-down itself; the call made during it was refused.
    EXPECT_EQ(log.calls.size(), 2u);
    EXPECT_FALSE(log.repostResult);
    EXPECT_EQ(uiContext(), nullptr);
    EXPECT_EQ(windowCount(), windows - 1);
    EXPECT_FALSE(postCall(&log, recordCall, 3, 0));
    pumpPendingMessages();
    EXPECT_EQ(log.calls.size(), 2u);
}

TEST_F(PostedCalls, TearDownLeavesOtherMessagesAndAPendingQuitAlone) {
    createUiContext();
    postMessage(0, win32::WM_USER, 0, 0);
    postQuitMessage(4);
    destroyUiContext();
    Message m;
    ASSERT_EQ(getMessage(m), 1);
    EXPECT_EQ(m.message, win32::WM_USER);
    EXPECT_EQ(getMessage(m), 0);
    EXPECT_EQ(m.wParam, 4u);
}

std::atomic<int> delivered{0};
void countDelivery(void*, std::uintptr_t, std::uintptr_t) {
    ++delivered;
}

TEST_F(PostedCalls, EveryCallAcceptedWhileTearDownRacesIsDelivered) {
    createUiContext();
    delivered = 0;
    std::atomic<int> accepted{0};
    std::atomic<bool> done{false};
    std::thread poster([&] {
        while (!done) {
            if (postCall(nullptr, countDelivery, 0, 0)) {
                ++accepted;
            }
        }
    });
    while (accepted == 0) {
        std::this_thread::yield();
    }
    pumpPendingMessages(1000);
    destroyUiContext();
    done = true;
    poster.join();
    pumpPendingMessages();
    EXPECT_GT(accepted, 0);
    EXPECT_EQ(delivered, accepted);
}

class FakeFileSystem : public FileSystem {
  public:
    uint8_t* read(const std::u16string&, int&) override { return nullptr; }
    void free(uint8_t* buffer) override {
        freed.push_back(buffer);
        std::free(buffer);
    }
    std::vector<uint8_t*> freed;
};

TEST_F(PostedCalls, TearDownFreesTheLayoutBufferThroughTheFileSystem) {
    FakeFileSystem files;
    FileSystem* previous = globalFileSystem();
    setGlobalFileSystem(&files);
    UiContext* context = createUiContext();
    auto* buffer = static_cast<uint8_t*>(std::malloc(16));
    context->registries->layoutPackage->buffer = buffer;
    destroyUiContext();
    setGlobalFileSystem(previous);
    EXPECT_EQ(files.freed, (std::vector<uint8_t*>{buffer}));
}

}  // namespace
}  // namespace tamlo::test
