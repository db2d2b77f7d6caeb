#include <gtest/gtest.h>

#include <vector>

#include "control_test_support.h"
#include "platform/windowing/message_loop.h"
#include "runtime/ui_context.h"

namespace tamlo::dui {
namespace {

using testing::FakeWindow;

struct Delivery {
    std::vector<Event> seen;
    static void onEvent(void* target, Control*, Event& event) {
        static_cast<Delivery*>(target)->seen.push_back(event);
    }
};

class PostedEventTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(createUiContext(), nullptr);
        root.attach(&window);
    }
    void TearDown() override {
        root.detach();
        destroyUiContext();
    }

    FakeWindow window;
    Panel root;
    Delivery delivery;
};

TEST_F(PostedEventTest, ArrivesLaterWithItsParametersAndACleanHandledFlag) {
    root.addHandler(EventCode::Click, &delivery, &Delivery::onEvent);
    Event click{EventCode::Click, Direct, 7, -3, 1};
    root.postEvent(click);
    EXPECT_TRUE(delivery.seen.empty());

    platform::pumpPendingMessages();
    ASSERT_EQ(delivery.seen.size(), 1u);
    EXPECT_EQ(delivery.seen[0].wParam, 7u);
    EXPECT_EQ(delivery.seen[0].lParam, -3);
    EXPECT_EQ(delivery.seen[0].handled, 0);
    EXPECT_EQ(click.handled, 1);  // the poster's record is not touched
}

TEST_F(PostedEventTest, DroppedWhenTheControlWasDetachedBeforeDelivery) {
    auto* child = new Control();
    root.addChild(child);
    child->addHandler(EventCode::Click, &delivery, &Delivery::onEvent);
    child->postEvent(Event{EventCode::Click, Direct, 0, 0, 0});
    root.removeChild(child);

    platform::pumpPendingMessages();
    EXPECT_TRUE(delivery.seen.empty());
    delete child;
}

TEST_F(PostedEventTest, NeverReachesALaterControlBuiltAtTheSameAddress) {
    auto* doomed = new Control();
    root.addChild(doomed);
    doomed->postEvent(Event{EventCode::Click, Direct, 0, 0, 0});
    root.removeChild(doomed);
    delete doomed;

    // The pool hands the freed block straight back.
    auto* successor = new Control();
    EXPECT_EQ(static_cast<void*>(successor), static_cast<void*>(doomed));
    root.addChild(successor);
    successor->addHandler(EventCode::Click, &delivery, &Delivery::onEvent);

    platform::pumpPendingMessages();
    EXPECT_TRUE(delivery.seen.empty());
}

TEST(PostedEventWithoutContext, IsNotPostedAndLeaksNothing) {
    ASSERT_EQ(uiContext(), nullptr);
    FakeWindow window;
    Control control;
    control.attach(&window);
    Delivery delivery;
    control.addHandler(EventCode::Click, &delivery, &Delivery::onEvent);
    control.postEvent(Event{EventCode::Click, Direct, 0, 0, 0});
    platform::pumpPendingMessages();
    EXPECT_TRUE(delivery.seen.empty());
    control.detach();
}

}  // namespace
}  // namespace tamlo::dui
