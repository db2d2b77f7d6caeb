#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "dui/controls/tab_item.h"
#include "dui/layout/layout_fixture.h"
#include "dui/layout/tab_control.h"

namespace tamlo::test {
namespace {

using dui::TabControl;
using dui::TabItem;
using dui::testing::Recorder;

const char kTabs[] =
    "<TabControl id=\"1\" tabHeight=\"30\">"
    "<TabItem id=\"11\" width=\"80\"><Grid id=\"21\"/></TabItem>"
    "<TabItem id=\"12\" width=\"60\"><Grid id=\"22\" width=\"500\" height=\"200\"/></TabItem>"
    "</TabControl>";

class TabControlTest : public LayoutTest {
  protected:
    TabControl* tabs() { return dynamic_cast<TabControl*>(byId(1)); }
    TabItem* item(int32_t id) { return dynamic_cast<TabItem*>(byId(id)); }
};

TEST_F(TabControlTest, ItemsRunAlongTheStripAndEveryPageGetsThePageRect) {
    host(kTabs, 400, 300);
    ASSERT_NE(tabs(), nullptr);
    EXPECT_EQ(tabs()->desiredSize(), (Size{500, 230}));
    EXPECT_EQ(tabs()->tabStripRect(), (Rect{0, 0, 500, 30}));
    EXPECT_EQ(tabs()->pageRect(), (Rect{0, 30, 500, 300}));
    EXPECT_EQ(rectOf(11), (Rect{0, 0, 80, 30}));
    EXPECT_EQ(rectOf(12), (Rect{80, 0, 140, 30}));
    EXPECT_EQ(rectOf(21), (Rect{0, 30, 500, 300}));
    EXPECT_EQ(rectOf(22), (Rect{0, 65, 500, 265}));
    // A page is not a child of the tab control, yet its rect is relative to it.
    EXPECT_EQ(tabs()->childCount(), 2);
    EXPECT_EQ(byId(22)->parent(), tabs());
    Rect absolute;
    ASSERT_TRUE(byId(22)->absoluteRect(absolute));
    EXPECT_EQ(absolute, (Rect{0, 65, 500, 265}));
}

TEST_F(TabControlTest, TheFirstArrangeSelectsTheFirstItemOnce) {
    dui::Control* root = build(kTabs);
    std::vector<std::string> log;
    Recorder onTabs{&log, "tabs"};
    onTabs.listenTo(*root, dui::EventCode::ValueChange);
    root->attach(&window);
    root->measure(400, 300);
    root->arrange(Rect{0, 0, 400, 300});
    root->arrange(Rect{0, 0, 400, 300});
    EXPECT_EQ(log, (std::vector<std::string>{"tabs"}));
    EXPECT_EQ(tabs()->selectedItem(), item(11));
    EXPECT_TRUE(item(11)->isChecked());
    EXPECT_FALSE(item(12)->isChecked());
    root->detach();
}

TEST_F(TabControlTest, SelectingALaterTabSlidesItsPageInFromTheRight) {
    host(kTabs, 400, 300);
    std::vector<std::string> log;
    Recorder onOld{&log, "old"};
    Recorder onTabs{&log, "tabs"};
    onOld.listenTo(*item(11), dui::EventCode::ValueChange);
    onTabs.listenTo(*tabs(), dui::EventCode::ValueChange);
    window.invalidated.clear();
    window.repaints.clear();

    tabs()->selectTab(item(12));

    EXPECT_EQ(log, (std::vector<std::string>{"old", "tabs"}));
    EXPECT_FALSE(item(11)->isChecked());
    EXPECT_TRUE(item(12)->isChecked());
    // The old item at once, ten frames of the page, then the deferred repaints of the
    // tab control (after the slide, and after the selection).
    ASSERT_EQ(window.invalidated.size(), 13u);
    EXPECT_EQ(window.invalidated[0], (Rect{0, 0, 80, 30}));
    for (int frame = 0; frame < 10; ++frame) {
        const int32_t left = (10 - frame) * 50;
        EXPECT_EQ(window.invalidated[1 + frame], (Rect{left, 65, left + 500, 265})) << frame;
        EXPECT_TRUE(window.repaints[1 + frame]);
    }
    EXPECT_FALSE(window.repaints.back());
    EXPECT_EQ(rectOf(22), tabs()->pageRect());

    tabs()->selectTab(item(12));  // already selected: nothing
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(TabControlTest, PressingAnItemSelectsItAndIsHandled) {
    host(kTabs, 400, 300);
    EXPECT_TRUE(item(12)->raiseEvent(dui::EventCode::LButtonDown, dui::Bubble));
    EXPECT_EQ(tabs()->selectedItem(), item(12));
    EXPECT_EQ(rectOf(22), tabs()->pageRect());
    EXPECT_TRUE(item(12)->raiseEvent(dui::EventCode::LButtonDown, dui::Bubble));
    EXPECT_EQ(tabs()->selectedItem(), item(12));
    tabs()->selectTab(item(11));  // backward slide ends in place too
    EXPECT_EQ(rectOf(21), tabs()->pageRect());
}

TEST_F(TabControlTest, HitTestsTheStripItemsOrTheSelectedPage) {
    host(kTabs, 400, 300);
    EXPECT_EQ(tabs()->hitTest(10, 10), item(11));
    EXPECT_EQ(tabs()->hitTest(490, 10), tabs());
    EXPECT_EQ(tabs()->hitTest(10, 100), byId(21));
    byId(21)->setFlags(dui::ControlFlag::Visible, false);
    EXPECT_EQ(tabs()->hitTest(10, 100), nullptr);
    EXPECT_EQ(tabs()->hitTest(600, 10), nullptr);
}

TEST_F(TabControlTest, TabsOnTheLeftStackDownTheStrip) {
    host(
        "<TabControl id=\"1\" tabHeight=\"40\" tabPlacement=\"left\">"
        "<TabItem id=\"11\" height=\"25\"><Grid id=\"21\" width=\"100\" height=\"100\"/></TabItem>"
        "<TabItem id=\"12\" height=\"35\"/>"
        "</TabControl>",
        300, 200);
    EXPECT_EQ(tabs()->desiredSize(), (Size{140, 100}));
    EXPECT_EQ(tabs()->tabStripRect(), (Rect{0, 0, 40, 200}));
    EXPECT_EQ(rectOf(11), (Rect{0, 0, 40, 25}));
    EXPECT_EQ(rectOf(12), (Rect{0, 25, 40, 60}));
    EXPECT_EQ(rectOf(21), (Rect{120, 50, 220, 150}));
}

TEST_F(TabControlTest, AnyOtherPlacementMeasuresNothingAndArrangesNothing) {
    host(
        "<Grid><TabControl id=\"1\" tabHeight=\"30\" tabPlacement=\"right\">"
        "<TabItem id=\"11\" width=\"80\"><Grid id=\"21\"/></TabItem>"
        "</TabControl></Grid>",
        400, 300);
    EXPECT_EQ(tabs()->desiredSize(), (Size{0, 0}));
    EXPECT_EQ(rectOf(11), (Rect{}));
    EXPECT_EQ(rectOf(21), (Rect{}));
    EXPECT_EQ(rectOf(1), (Rect{0, 0, 400, 300}));
}

TEST_F(TabControlTest, APageLeavesTheWindowWithItsItemAndARemovedItemIsNoLongerSelected) {
    host(kTabs, 400, 300);
    TabItem* first = item(11);
    dui::Control* page = first->page();
    ASSERT_TRUE(page->isAlive());
    tabs()->removeChild(first);
    EXPECT_FALSE(page->isAlive());
    EXPECT_EQ(tabs()->selectedItem(), nullptr);
    delete first;  // takes its page with it
    layOut(400, 300);
    EXPECT_EQ(tabs()->selectedItem(), item(12));
}

TEST_F(TabControlTest, AnItemOutlivingItsTabControlDeletesItsPageSafely) {
    std::unique_ptr<dui::Control> root(dui::buildLayout(kTabs, u"tabs.xml"));
    root->attach(&window);
    root->measure(400, 300);
    root->arrange(Rect{0, 0, 400, 300});
    root->detach();
    dui::Control* first = root->asPanel()->firstChild();
    ASSERT_EQ(dynamic_cast<TabItem*>(first)->page()->parent(), root.get());
    root->asPanel()->removeChild(first);
    root.reset();
    delete first;  // its page must not reach for the tab control that is gone
}

TEST(TabControlWait, AWaitLastsAtLeastItsUnitsAndNonPositiveOnesReturn) {
    // A lower bound only: the wait counts 1/1024 s units on a monotonic clock.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    dui::TabControl::waitMs(5);
    const auto waited = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start);
    EXPECT_GE(waited.count() * 1024, 5LL * 1000000000LL);
    dui::TabControl::waitMs(0);  // nothing to wait for: these come back
    dui::TabControl::waitMs(-100);
}

}  // namespace
}  // namespace tamlo::test
