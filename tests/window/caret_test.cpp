#include "window/caret.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_pump.h"
#include "platform/windowing/message_queue.h"

namespace tamlo::test {
namespace {

using Rects = std::vector<Rect>;

// A caret on a fresh queue on virtual time, recording what it invalidates.
class CaretTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto pump =
            std::make_unique<platform::ConditionPump>(platform::ConditionPump::Time::Virtual);
        clock = pump.get();
        platform::createUiQueue(std::move(pump));
        caret = std::make_unique<Caret>([this](const Rect& area) { invalidated.push_back(area); });
        caret->setSize(1, 14);
    }
    void TearDown() override {
        caret.reset();
        platform::discardUiQueue();
    }
    void blinkOnce() {
        clock->advance(caret->blinkInterval());
        platform::pumpPendingMessages();
    }
    Rects take() {
        Rects out;
        out.swap(invalidated);
        return out;
    }

    platform::ConditionPump* clock = nullptr;
    std::unique_ptr<Caret> caret;
    Rects invalidated;
};

TEST_F(CaretTest, BlinksOnTheClockAndEveryChangeInvalidatesWhereItShows) {
    const Rect first{5, 6, 6, 20};
    caret->show(5, 6);
    // Drawn, then the first tick at once undraws it.
    EXPECT_FALSE(caret->drawn());
    EXPECT_EQ(take(), (Rects{first, first}));
    blinkOnce();
    EXPECT_TRUE(caret->drawn());
    EXPECT_EQ(take(), (Rects{first}));

    // Moved while drawn: the old place and the new one are repainted.
    caret->show(9, 6);
    EXPECT_TRUE(caret->drawn());
    EXPECT_EQ(take(), (Rects{first, Rect{9, 6, 10, 20}}));
    blinkOnce();
    EXPECT_FALSE(caret->drawn());
}

TEST_F(CaretTest, HideUndrawsItInvalidatesAndStopsTheBlink) {
    caret->show(5, 6);
    blinkOnce();
    ASSERT_TRUE(caret->drawn());
    take();
    caret->hide();
    EXPECT_FALSE(caret->drawn());
    EXPECT_EQ(take(), (Rects{caret->rect()}));
    blinkOnce();
    blinkOnce();
    EXPECT_FALSE(caret->drawn());
    EXPECT_TRUE(take().empty());
}

}  // namespace
}  // namespace tamlo::test
