#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "control_test_support.h"
#include "dui/core/event_route.h"
#include "dui/core/live_set.h"

namespace tamlo::dui {
namespace {

using testing::FakeWindow;
using testing::Recorder;

class EventRoutingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root = new Panel();
        child = new Control();
        root->addChild(child);
        root->attach(&window);
    }
    void TearDown() override {
        root->detach();
        delete root;
    }

    FakeWindow window;
    Panel* root = nullptr;
    Control* child = nullptr;
    std::vector<std::string> log;
};

TEST_F(EventRoutingTest, TunnelRunsRootFirstAndBubbleRunsTargetFirst) {
    Recorder h1{&log, "h1"}, h2{&log, "h2"}, h3{&log, "h3"};
    for (int32_t code : {EventCode::PrevLButtonDown, EventCode::LButtonDown}) {
        h1.listenTo(*root, code);
        h2.listenTo(*root, code);
        h3.listenTo(*child, code);
    }

    child->raiseEvent(EventCode::PrevLButtonDown, Tunnel);
    EXPECT_EQ(log, (std::vector<std::string>{"h1", "h2", "h3"}));

    log.clear();
    child->raiseEvent(EventCode::LButtonDown, Bubble);
    EXPECT_EQ(log, (std::vector<std::string>{"h3", "h1", "h2"}));
}

TEST_F(EventRoutingTest, DirectEventNeverReachesTheParent) {
    Recorder parent{&log, "parent"}, own{&log, "own"};
    parent.listenTo(*root, EventCode::MouseEnter);
    own.listenTo(*child, EventCode::MouseEnter);
    child->raiseEvent(EventCode::MouseEnter, Direct);
    EXPECT_EQ(log, (std::vector<std::string>{"own"}));
}

TEST_F(EventRoutingTest, HandledStopsTheRestOfTheRoute) {
    Recorder first{&log, "first", true}, second{&log, "second"}, parent{&log, "parent"};
    first.listenTo(*child, EventCode::KeyDown);
    second.listenTo(*child, EventCode::KeyDown);
    parent.listenTo(*root, EventCode::KeyDown);

    Event event{EventCode::KeyDown, Bubble, 65, 0, 0};
    child->raiseEvent(event);
    EXPECT_EQ(log, (std::vector<std::string>{"first"}));
    EXPECT_EQ(event.handled, 1);

    // A record that arrives handled calls nobody.
    log.clear();
    Event preHandled{EventCode::KeyDown, Bubble, 0, 0, 1};
    child->raiseEvent(preHandled);
    EXPECT_TRUE(log.empty());
}

// Removes the handler named by `victim` from the control while the route is running.
struct Remover {
    Control* control;
    Recorder* victim;
    static void onEvent(void* target, Control*, Event& event) {
        auto* self = static_cast<Remover*>(target);
        self->control->removeHandler(event.code, self->victim, &Recorder::onEvent);
    }
};

TEST_F(EventRoutingTest, HandlerRemovedMidRouteIsSkippedAndTheNextStillRuns) {
    Recorder removed{&log, "removed"}, after{&log, "after"};
    Remover remover{child, &removed};
    child->addHandler(EventCode::MouseMove, &remover, &Remover::onEvent);
    removed.listenTo(*child, EventCode::MouseMove);
    after.listenTo(*root, EventCode::MouseMove);

    child->raiseEvent(EventCode::MouseMove, Bubble);
    EXPECT_EQ(log, (std::vector<std::string>{"after"}));
    EXPECT_EQ(child->handlerCount(EventCode::MouseMove), 1u);
}

TEST_F(EventRoutingTest, RemoveHandlerTakesOnlyTheFirstOfTwoDuplicates) {
    Recorder twice{&log, "twice"};
    twice.listenTo(*child, EventCode::Click);
    twice.listenTo(*child, EventCode::Click);
    child->removeHandler(EventCode::Click, &twice, &Recorder::onEvent);
    child->removeHandler(EventCode::ValueChange, &twice, &Recorder::onEvent);  // no list: nothing
    child->raiseEvent(EventCode::Click, Direct);
    EXPECT_EQ(log, (std::vector<std::string>{"twice"}));
}

// Routes longer than the inline part grow instead of dropping handlers.
constexpr int kLongRoute = static_cast<int>(EventRoute::kInlineCapacity) + 8;

TEST_F(EventRoutingTest, RoutesLongerThanTheInlinePartRunEveryHandlerInOrder) {
    const int onChild = kLongRoute - 5;  // the child alone fills the inline part
    std::vector<std::unique_ptr<Recorder>> recorders;
    std::vector<std::string> expected;
    for (int i = 0; i < kLongRoute; ++i) {
        recorders.push_back(std::make_unique<Recorder>(Recorder{&log, std::to_string(i)}));
        recorders.back()->listenTo(i < onChild ? *child : *root, EventCode::MouseWheel);
        recorders.back()->listenTo(i < onChild ? *child : *root, EventCode::PrevKeyUp);
        expected.push_back(std::to_string(i));
    }
    child->raiseEvent(EventCode::MouseWheel, Bubble);
    EXPECT_EQ(log, expected);

    // Tunnel: the root's handlers first, then the child's, each in registration order.
    log.clear();
    child->raiseEvent(EventCode::PrevKeyUp, Tunnel);
    std::vector<std::string> tunnelOrder(expected.begin() + onChild, expected.end());
    tunnelOrder.insert(tunnelOrder.end(), expected.begin(), expected.begin() + onChild);
    EXPECT_EQ(log, tunnelOrder);
}

TEST_F(EventRoutingTest, DelegatesBeyondThePoolComeFromTheHeapAndWork) {
    const std::size_t pooledBefore = DelegatePool::pooledInUse();
    int calls = 0;
    const std::size_t count = DelegatePool::kCapacity - pooledBefore + 25;
    for (std::size_t i = 0; i < count; ++i) {
        child->addHandler(EventCode::Notify, &calls,
                          [](void* target, Control*, Event&) { ++*static_cast<int*>(target); });
    }
    EXPECT_EQ(DelegatePool::pooledInUse(), DelegatePool::kCapacity);
    EXPECT_EQ(DelegatePool::heapInUse(), 25u);

    child->raiseEvent(EventCode::Notify, Direct);
    EXPECT_EQ(calls, static_cast<int>(count));

    root->removeChild(child);
    delete child;
    EXPECT_EQ(DelegatePool::heapInUse(), 0u);
    EXPECT_EQ(DelegatePool::pooledInUse(), pooledBefore);

    // Records that went back to the pool are handed out again.
    child = new Control();
    root->addChild(child);
    Recorder again{&log, "again"};
    again.listenTo(*child, EventCode::Click);
    child->raiseEvent(EventCode::Click, Direct);
    EXPECT_EQ(log, (std::vector<std::string>{"again"}));
    EXPECT_EQ(DelegatePool::heapInUse(), 0u);
}

TEST_F(EventRoutingTest, ControlsOutsideAWindowRaiseNothing) {
    Control loose;
    Recorder never{&log, "never"};
    never.listenTo(loose, EventCode::Click);
    EXPECT_FALSE(loose.raiseEvent(EventCode::Click, Direct));

    Recorder detached{&log, "detached"};
    detached.listenTo(*child, EventCode::Click);
    root->removeChild(child);
    child->raiseEvent(EventCode::Click, Direct);
    EXPECT_TRUE(log.empty());
    root->addChild(child);
    child->raiseEvent(EventCode::Click, Direct);
    EXPECT_EQ(log, (std::vector<std::string>{"detached"}));
}

// A handler that destroys the sender's subtree while the event is on its way up.
struct Destroyer {
    Panel* root;
    Control* victim;
    static void onEvent(void* target, Control*, Event&) {
        auto* self = static_cast<Destroyer*>(target);
        self->root->removeChild(self->victim);
        delete self->victim;
    }
};

TEST_F(EventRoutingTest, DestroyingTheTargetMidRouteSkipsItsLaterHandlers) {
    Destroyer destroyer{root, child};
    Recorder late{&log, "late"}, parent{&log, "parent"};
    child->addHandler(EventCode::LButtonUp, &destroyer, &Destroyer::onEvent);
    late.listenTo(*child, EventCode::LButtonUp);
    parent.listenTo(*root, EventCode::LButtonUp);

    child->raiseEvent(EventCode::LButtonUp, Bubble);
    EXPECT_EQ(log, (std::vector<std::string>{"parent"}));
    EXPECT_EQ(root->childCount(), 0);
    child = nullptr;
}

}  // namespace
}  // namespace tamlo::dui
