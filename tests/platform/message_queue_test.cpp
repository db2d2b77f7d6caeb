#include <atomic>
#include <chrono>
#include <thread>

#include "message_queue_fixture.h"
#include "platform/headless/backend.h"
#include "platform/win32_constants.h"

namespace tamlo::test {
namespace {

using namespace tamlo::platform;
using namespace tamlo::win32;

std::vector<uint32_t> drainNumbers(WindowHandle filter = kAnyWindow) {
    std::vector<uint32_t> numbers;
    Message m;
    while (peekMessage(m, filter, 0, 0, PM_REMOVE)) {
        numbers.push_back(m.message);
    }
    return numbers;
}

using PostAndPeek = MessageQueueTest;

TEST_F(PostAndPeek, PostedMessagesComeOutInOrderAndNoRemoveLeavesThem) {
    RecordingWindow window;
    ASSERT_TRUE(postMessage(window.handle, WM_USER + 1, 10, 20));
    ASSERT_TRUE(postMessage(window.handle, WM_USER + 2, 0, 0));

    Message m;
    ASSERT_TRUE(peekMessage(m, kAnyWindow, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_USER + 1u);
    EXPECT_EQ(m.window, window.handle);
    EXPECT_EQ(m.wParam, 10u);
    EXPECT_EQ(m.lParam, 20);
    EXPECT_EQ(drainNumbers(), (std::vector<uint32_t>{WM_USER + 1, WM_USER + 2}));
    EXPECT_FALSE(peekMessage(m, kAnyWindow, 0, 0, PM_REMOVE));
}

TEST_F(PostAndPeek, WindowFilterTakesOnlyThatWindowAndKeepsTheRestInOrder) {
    RecordingWindow a;
    RecordingWindow b;
    postMessage(a.handle, WM_USER + 1, 0, 0);
    postMessage(b.handle, WM_USER + 2, 0, 0);
    postMessage(0, WM_USER + 3, 0, 0);
    postMessage(b.handle, WM_USER + 4, 0, 0);
    postMessage(a.handle, WM_USER + 5, 0, 0);

    EXPECT_EQ(drainNumbers(b.handle), (std::vector<uint32_t>{WM_USER + 2, WM_USER + 4}));
    EXPECT_EQ(drainNumbers(kThreadMessagesOnly), (std::vector<uint32_t>{WM_USER + 3}));
    EXPECT_EQ(drainNumbers(), (std::vector<uint32_t>{WM_USER + 1, WM_USER + 5}));
}

TEST_F(PostAndPeek, MessageRangeFilterSkipsMessagesOutsideIt) {
    postMessage(0, WM_KEYDOWN, 'A', 0);
    postMessage(0, WM_MOUSEMOVE, 0, 0);
    postMessage(0, WM_KEYUP, 'A', 0);
    Message m;
    ASSERT_TRUE(peekMessage(m, kAnyWindow, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE));
    EXPECT_EQ(m.message, WM_MOUSEMOVE);
    EXPECT_FALSE(peekMessage(m, kAnyWindow, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE));
    EXPECT_EQ(drainNumbers(), (std::vector<uint32_t>{WM_KEYDOWN, WM_KEYUP}));
}

TEST_F(PostAndPeek, PostingToAGoneWindowFailsAndDestroyDropsItsMessages) {
    auto window = std::make_unique<RecordingWindow>();
    WindowHandle handle = window->handle;
    postMessage(handle, WM_USER, 0, 0);
    postMessage(0, WM_USER + 1, 0, 0);
    window.reset();
    EXPECT_FALSE(isWindow(handle));
    EXPECT_FALSE(postMessage(handle, WM_USER, 0, 0));
    EXPECT_EQ(drainNumbers(), (std::vector<uint32_t>{WM_USER + 1}));
}

using Quit = MessageQueueTest;

TEST_F(Quit, QuitComesAfterPostedMessagesWithItsCode) {
    postQuitMessage(7);
    postMessage(0, WM_USER, 0, 0);
    Message m;
    EXPECT_EQ(getMessage(m), 1);
    EXPECT_EQ(m.message, WM_USER);
    EXPECT_EQ(getMessage(m), 0);
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_FALSE(peekMessage(m, kAnyWindow, 0, 0, PM_REMOVE));  // taken once only
}

TEST_F(Quit, AWindowFilteredLoopLeavesQuitForTheOuterLoop) {
    RecordingWindow window;
    postQuitMessage(0);
    Message m;
    EXPECT_FALSE(peekMessage(m, window.handle, 0, 0, PM_REMOVE));
    EXPECT_TRUE(peekMessage(m, kAnyWindow, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
}

TEST_F(Quit, ANestedPumpThatMeetsQuitPostsItAgain) {
    RecordingWindow window;
    postMessage(window.handle, WM_USER, 0, 0);
    postQuitMessage(3);
    EXPECT_EQ(pumpPendingMessages(), 1u);
    EXPECT_EQ(window.messageNumbers(), (std::vector<uint32_t>{WM_USER}));
    Message m;
    EXPECT_EQ(getMessage(m), 0);
    EXPECT_EQ(m.wParam, 3u);
}

using CrossThread = MessageQueueTest;

TEST_F(CrossThread, PostThreadMessageWakesABlockedGet) {
    ThreadId ui = uiThreadId();
    std::atomic<bool> posted{false};
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        posted = postThreadMessage(ui, WM_USER + 9, 1, 2);
    });
    Message m;
    EXPECT_EQ(getMessage(m), 1);
    worker.join();
    EXPECT_TRUE(posted);
    EXPECT_EQ(m.message, WM_USER + 9u);
    EXPECT_EQ(m.window, 0u);
}

TEST_F(CrossThread, OtherThreadsCannotUseTheUiLoopOrPostToThemselves) {
    RecordingWindow window;
    ThreadId self;
    bool peeked = true;
    bool postedToSelf = true;
    int got = 0;
    std::intptr_t sent = 1;
    std::thread worker([&] {
        self = std::this_thread::get_id();
        Message m;
        peeked = peekMessage(m, kAnyWindow, 0, 0, PM_REMOVE);
        got = getMessage(m);
        postedToSelf = postMessage(0, WM_USER, 0, 0);
        sent = sendMessage(window.handle, WM_USER, 0, 0);
    });
    worker.join();
    EXPECT_FALSE(peeked);
    EXPECT_EQ(got, -1);
    EXPECT_FALSE(postedToSelf);
    EXPECT_EQ(sent, 0);
    EXPECT_TRUE(window.received.empty());
    EXPECT_FALSE(postThreadMessage(self, WM_USER, 0, 0));
}

TEST_F(CrossThread, PostsFromManyThreadsKeepEachThreadsOrder) {
    RecordingWindow window;
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                postMessage(window.handle, WM_USER, static_cast<std::uintptr_t>(t), i);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    pumpPendingMessages();
    ASSERT_EQ(window.received.size(), static_cast<std::size_t>(kThreads * kEach));
    std::vector<std::intptr_t> next(kThreads, 0);
    for (const auto& m : window.received) {
        EXPECT_EQ(m.lParam, next[m.wParam]++);
    }
}

using Windows = MessageQueueTest;

std::vector<std::string>& lifeLog() {
    static std::vector<std::string> log;
    return log;
}

std::intptr_t loggingProcedure(WindowHandle window, uint32_t message, std::uintptr_t,
                               std::intptr_t lParam) {
    auto* name = static_cast<const char*>(windowUserData(window));
    if (message == WM_CREATE) {
        auto* creation = reinterpret_cast<const WindowCreation*>(lParam);
        lifeLog().push_back(std::string("create ") + name + " " +
                            (creation->width == 1 ? "1x1" : "other"));
        return std::string(name) == "refuse" ? -1 : 0;
    }
    if (message == WM_DESTROY) {
        lifeLog().push_back(std::string("destroy ") + name + (isWindow(window) ? "" : " gone"));
    }
    if (message == WM_USER) {
        return 42;
    }
    return defWindowProc(window, message, 0, lParam);
}

WindowHandle makeWindow(const char* name, WindowHandle owner = 0) {
    WindowCreation creation;
    creation.procedure = loggingProcedure;
    creation.userData = const_cast<char*>(name);
    creation.width = 1;
    creation.owner = owner;
    return createWindow(creation);
}

TEST_F(Windows, CreateSendAndDestroyFollowTheWindowLifecycle) {
    lifeLog().clear();
    std::size_t before = windowCount();
    WindowHandle owner = makeWindow("owner");
    WindowHandle owned = makeWindow("owned", owner);
    ASSERT_NE(owner, 0u);
    ASSERT_NE(owned, 0u);
    EXPECT_EQ(sendMessage(owner, WM_USER, 0, 0), 42);

    EXPECT_TRUE(destroyWindow(owner));
    EXPECT_FALSE(destroyWindow(owner));
    EXPECT_FALSE(isWindow(owned));
    EXPECT_EQ(sendMessage(owner, WM_USER, 0, 0), 0);
    EXPECT_EQ(windowCount(), before);
    // Handles are valid during WM_DESTROY; owned windows go first.
    EXPECT_EQ(lifeLog(), (std::vector<std::string>{"create owner 1x1", "create owned 1x1",
                                                   "destroy owned", "destroy owner"}));
}

TEST_F(Windows, ARefusedCreationLeavesNoWindowAndHandlesAreNotReused) {
    lifeLog().clear();
    std::size_t before = windowCount();
    EXPECT_EQ(makeWindow("refuse"), 0u);
    EXPECT_EQ(windowCount(), before);
    WindowCreation noProcedure;
    EXPECT_EQ(createWindow(noProcedure), 0u);

    WindowHandle first = makeWindow("a");
    destroyWindow(first);
    WindowHandle second = makeWindow("b");
    EXPECT_NE(first, second);
    destroyWindow(second);
}

using Hooks = MessageQueueTest;

struct HookLog {
    std::vector<std::pair<uint32_t, bool>> seen;
};

std::intptr_t nestingProcedure(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) {
    if (message == WM_USER) {
        pumpPendingMessages();  // a modal loop inside a handler
    }
    return defWindowProc(window, message, wParam, lParam);
}

TEST_F(Hooks, TheHookSeesMessagesRemovedByNestedLoopsAndPeeksWithTheirFlag) {
    WindowCreation creation;
    creation.procedure = nestingProcedure;
    WindowHandle outer = createWindow(creation);
    RecordingWindow inner;

    HookLog log;
    HookHandle hook = setGetMessageHook(
        [&](Message& m, bool removed) { log.seen.emplace_back(m.message, removed); });
    ASSERT_NE(hook, 0u);

    postMessage(outer, WM_USER, 0, 0);
    postMessage(inner.handle, WM_USER + 1, 0, 0);
    postMessage(0, WM_USER + 2, 0, 0);
    Message m;
    ASSERT_TRUE(peekMessage(m, kAnyWindow, 0, 0, PM_NOREMOVE));
    ASSERT_EQ(getMessage(m), 1);
    dispatchMessage(m);  // runs the nested loop, which takes the other two

    EXPECT_EQ(log.seen,
              (std::vector<std::pair<uint32_t, bool>>{
                  {WM_USER, false}, {WM_USER, true}, {WM_USER + 1, true}, {WM_USER + 2, true}}));
    EXPECT_EQ(inner.messageNumbers(), (std::vector<uint32_t>{WM_USER + 1}));

    EXPECT_TRUE(unhookGetMessage(hook));
    EXPECT_FALSE(unhookGetMessage(hook));
    postMessage(0, WM_USER + 3, 0, 0);
    pumpPendingMessages();
    EXPECT_EQ(log.seen.size(), 4u);
    destroyWindow(outer);
}

TEST_F(Hooks, NewestHookRunsFirstAndMayChangeTheMessage) {
    std::vector<int> order;
    HookHandle first = setGetMessageHook([&](Message& m, bool) {
        order.push_back(1);
        m.wParam += 1;
    });
    HookHandle second = setGetMessageHook([&](Message& m, bool) {
        order.push_back(2);
        m.wParam *= 10;
    });
    postMessage(0, WM_USER, 1, 0);
    Message m;
    ASSERT_EQ(getMessage(m), 1);
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
    EXPECT_EQ(m.wParam, 11u);
    unhookGetMessage(first);
    unhookGetMessage(second);
}

TEST_F(Hooks, AHookRemovedByAnEarlierHookIsSkipped) {
    int laterCalls = 0;
    HookHandle victim = setGetMessageHook([&](Message&, bool) { ++laterCalls; });
    HookHandle remover = setGetMessageHook([&](Message&, bool) { unhookGetMessage(victim); });
    postMessage(0, WM_USER, 0, 0);
    pumpPendingMessages();
    EXPECT_EQ(laterCalls, 0);
    unhookGetMessage(remover);
}

using Keys = MessageQueueTest;

TEST_F(Keys, TranslateQueuesTheCharacterAheadOfLaterMessages) {
    RecordingWindow window;
    postMessage(window.handle, WM_KEYDOWN, 'A', 0x001E0001);
    postMessage(window.handle, WM_KEYUP, 'A', 0);
    Message m;
    ASSERT_EQ(getMessage(m), 1);
    EXPECT_TRUE(translateMessage(m));
    dispatchMessage(m);
    pumpPendingMessages();
    ASSERT_EQ(window.messageNumbers(), (std::vector<uint32_t>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
    EXPECT_EQ(window.received[1].wParam, static_cast<std::uintptr_t>(u'a'));
    EXPECT_EQ(window.received[1].lParam, 0x001E0001);
}

TEST_F(Keys, ShiftSeenByTheLoopMakesCapitalsAndNonCharacterKeysTranslateToNothing) {
    RecordingWindow window;
    postMessage(window.handle, WM_KEYDOWN, VK_SHIFT, 0);
    postMessage(window.handle, WM_KEYDOWN, 'Q', 0);
    postMessage(window.handle, WM_KEYUP, VK_SHIFT, 0);
    postMessage(window.handle, WM_KEYDOWN, 'Q', 0);
    postMessage(window.handle, WM_KEYDOWN, VK_LEFT, 0);
    pumpPendingMessages();
    std::u16string typed;
    for (const auto& m : window.received) {
        if (m.message == WM_CHAR) {
            typed += static_cast<char16_t>(m.wParam);
        }
    }
    EXPECT_EQ(typed, u"Qq");
    Message left{window.handle, WM_KEYDOWN, VK_LEFT, 0, 0};
    EXPECT_FALSE(translateMessage(left));
    Message notAKey{window.handle, WM_USER, 'A', 0, 0};
    EXPECT_FALSE(translateMessage(notAKey));
}

TEST(KeyCharacters, LayoutOfLettersDigitsAndPunctuation) {
    EXPECT_EQ(characterForKey('A', false, false, false), u'a');
    EXPECT_EQ(characterForKey('A', true, true, false), u'a');  // shift undoes caps lock
    EXPECT_EQ(characterForKey('A', false, true, false), u'A');
    EXPECT_EQ(characterForKey('C', false, false, true), 3);
    EXPECT_EQ(characterForKey('1', true, false, false), u'!');
    EXPECT_EQ(characterForKey('0', true, false, false), u')');
    EXPECT_EQ(characterForKey('5', false, true, false), u'5');
    EXPECT_EQ(characterForKey(win32::VK_OEM_2, true, false, false), u'?');
    EXPECT_EQ(characterForKey(win32::VK_NUMPAD0 + 7, false, false, false), u'7');
    EXPECT_EQ(characterForKey(win32::VK_RETURN, false, false, false), u'\r');
    EXPECT_EQ(characterForKey(win32::VK_F1, false, false, false), 0);
    EXPECT_EQ(characterForKey('1', false, false, true), 0);
}

using ModalBox = MessageQueueTest;

TEST_F(ModalBox, AHeadlessMessageBoxHandlesWaitingMessagesBeforeItAnswers) {
    RecordingWindow window;
    postMessage(window.handle, WM_USER + 5, 0, 0);
    HeadlessBackend backend;
    std::size_t seenByResponder = 99;
    setMessageBoxResponder([&](const MessageBoxRequest&) {
        seenByResponder = window.received.size();
        return win32::IDNO;
    });
    EXPECT_EQ(backend.messageBox(0, u"text", u"caption", win32::MB_YESNO), win32::IDNO);
    setMessageBoxResponder(nullptr);
    EXPECT_EQ(seenByResponder, 1u);
}

TEST_F(ModalBox, ABoxOnAWorkerThreadLeavesTheUiQueueAlone) {
    RecordingWindow window;
    postMessage(window.handle, WM_USER + 5, 0, 0);
    HeadlessBackend backend;
    std::thread worker([&] { backend.messageBox(0, u"t", u"c", win32::MB_OK); });
    worker.join();
    EXPECT_TRUE(window.received.empty());
    EXPECT_EQ(uiQueue().postedCount(), 1u);
}

}  // namespace
}  // namespace tamlo::test
