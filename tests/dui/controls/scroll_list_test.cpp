// Scroll bars, list boxes and sliders driven through a real headless window on the
// virtual clock. No style set is loaded, so every bar is 17 pixels thick with square
// arrows and every slider thumb is 16 pixels long.
#include <gtest/gtest.h>

#include "dui/controls/list_box.h"
#include "dui/controls/scroll_bar.h"
#include "dui/controls/slider.h"
#include "dui/core/attribute_keys.h"
#include "dui/layout/scroll_panel.h"
#include "window/window_impl_fixture.h"

namespace tamlo::test {
namespace {

namespace headless = platform::headless;
using dui::ListBox;
using dui::ScrollBar;
using dui::Slider;

class ScrollListTest : public WindowImplTest {
  protected:
    void SetUp() override {
        WindowImplTest::SetUp();
        clock = dynamic_cast<platform::ConditionPump*>(&platform::uiQueue().pump());
        ASSERT_NE(clock, nullptr);
    }
    // A 100 x 96 list (four 24-pixel rows in view) at the window's top-left.
    ListBox& openList(int items) {
        open(
            "<Window initSize=\"400,300\"><ListBox id=\"1\" itemHeight=\"24\" width=\"100\" "
            "height=\"96\" horizontalAlign=\"left\" verticalAlign=\"top\"/></Window>");
        auto& list = dynamic_cast<ListBox&>(*window->controlById(1));
        for (int i = 0; i < items; ++i) {
            list.addItem(u"row " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)));
        }
        pump();
        return list;
    }
    ScrollBar& bar(ListBox& list) {
        EXPECT_NE(list.verticalBar(), nullptr);
        return *list.verticalBar();
    }
    void advance(uint64_t ms) {
        clock->advance(ms);
        pump();
    }
    int counter(dui::Control& control, int32_t code) {
        counters.push_back(0);
        control.addHandler(code, &counters.back(), [](void* target, dui::Control*, dui::Event&) {
            ++*static_cast<int*>(target);
        });
        return static_cast<int>(counters.size() - 1);
    }

    platform::ConditionPump* clock = nullptr;
    std::deque<int> counters;
};

TEST_F(ScrollListTest, ThumbFiguresAndEnsurePositionClamps) {
    // A 234-pixel bar has a 200-pixel track between its 17-pixel arrows.
    open(
        "<Window initSize=\"400,300\"><ScrollPanel id=\"1\" width=\"100\" height=\"234\" "
        "horizontalAlign=\"left\" verticalAlign=\"top\"><Canvas id=\"2\" height=\"936\"/>"
        "</ScrollPanel></Window>");
    auto& panel = dynamic_cast<dui::ScrollPanel&>(*window->controlById(1));
    ScrollBar* vertical = panel.verticalBar();
    ASSERT_NE(vertical, nullptr);
    EXPECT_EQ(vertical->upArrowRect(), (Rect{0, 0, 17, 17}));
    EXPECT_EQ(vertical->downArrowRect(), (Rect{0, 217, 17, 234}));
    EXPECT_EQ(vertical->thumbRect(), (Rect{0, 17, 17, 17 + 51}));  // 234 * 200 / 936 + 1

    vertical->EnsurePosition(10000);
    EXPECT_EQ(vertical->position(), 936 - 234);
    EXPECT_EQ(vertical->thumbRect().top, 17 + 149);  // (200 - 51) at the end
    EXPECT_EQ(window->controlById(2)->rect().top, -702);
    vertical->EnsurePosition(-5);
    EXPECT_EQ(vertical->position(), 0);
    EXPECT_EQ(window->controlById(2)->rect().top, 0);

    // A very long content still leaves a 20-pixel thumb.
    window->controlById(2)->setInt(dui::key::height, 100000);
    panel.arrange(panel.rect());
    EXPECT_EQ(panel.verticalBar()->thumbRect().height(), 20);

    // Everything visible: any position is 0 and the bar is disabled.
    window->controlById(2)->setInt(dui::key::height, 100);
    panel.setInt(dui::key::scrollvertical, dui::enumValue(dui::EnumWord::Always));
    panel.measure(400, 300);
    panel.arrange(panel.rect());
    ASSERT_NE(panel.verticalBar(), nullptr);
    panel.verticalBar()->EnsurePosition(50);
    EXPECT_EQ(panel.verticalBar()->position(), 0);
    EXPECT_FALSE(panel.verticalBar()->isEnabled());
}

TEST_F(ScrollListTest, AnArrowStepsAtOnceThenEveryIntervalAndPausesOffTheArrow) {
    ListBox& list = openList(10);  // 240 high, 96 shown
    moveTo(90, 90);                // the down arrow (79..96)
    headless::pressButton();
    pump();
    EXPECT_EQ(bar(list).position(), 24);
    advance(99);
    EXPECT_EQ(bar(list).position(), 24);
    advance(1);
    EXPECT_EQ(bar(list).position(), 48);
    EXPECT_NE(bar(list).partState() & ScrollBar::DownArrowPressed, 0u);

    moveTo(90, 50);  // off the arrow, still held
    advance(300);
    EXPECT_EQ(bar(list).position(), 48);
    moveTo(90, 88);  // back: steps at once again
    EXPECT_EQ(bar(list).position(), 72);

    headless::releaseButton();
    pump();
    advance(500);
    EXPECT_EQ(bar(list).position(), 72);
    EXPECT_EQ(bar(list).partState() & ScrollBar::kPressedParts, 0u);
}

TEST_F(ScrollListTest, TrackPagingStopsOnceTheThumbReachesTheCursor) {
    ListBox& list = openList(30);  // 720 high: a 20-pixel thumb on a 62-pixel track
    moveTo(90, 50);
    headless::pressButton();
    pump();
    EXPECT_EQ(bar(list).position(), 96);  // one page of four rows at once
    for (int tick = 0; tick < 10; ++tick) {
        advance(ScrollBar::kRepeatIntervalMs);
    }
    // 192 leaves the thumb at 29..49, above the cursor; 288 puts it under the cursor.
    EXPECT_EQ(bar(list).position(), 288);
    const Rect thumb = bar(list).thumbRect();
    EXPECT_TRUE(thumb.top <= 50 && 50 < thumb.bottom);
    headless::releaseButton();
    pump();
}

TEST_F(ScrollListTest, ADraggedThumbSnapsToRowsAndStopsAtEitherEnd) {
    ListBox& list = openList(30);
    moveTo(90, 20);  // on the thumb (17..37)
    headless::pressButton();
    pump();
    EXPECT_NE(bar(list).partState() & ScrollBar::ThumbPressed, 0u);
    moveTo(90, 30);  // (624 * (30 - 3 - 17)) / 42 = 148, snapped to 144
    EXPECT_EQ(bar(list).position(), 144);
    moveTo(90, 400);  // far past the end
    EXPECT_EQ(bar(list).position(), 624);
    moveTo(90, -60);  // above the window
    EXPECT_EQ(bar(list).position(), 0);
    headless::releaseButton();
    pump();
    EXPECT_FALSE(bar(list).isRepeating());
}

TEST_F(ScrollListTest, APressSelectsKeysMoveTheSelectionAndKeepItInView) {
    ListBox& list = openList(10);
    const int changes = counter(list, dui::EventCode::ValueChange);
    const int chosen = counter(list, dui::EventCode::Notify);
    moveTo(20, 24 * 2 + 5);
    headless::click();
    pump();
    EXPECT_EQ(list.selectedIndex(), 2);
    EXPECT_TRUE(list.itemAt(2)->isChecked());
    EXPECT_TRUE(list.hasFlags(dui::ControlFlag::Focused));
    EXPECT_EQ(counters[changes], 1);
    EXPECT_EQ(counters[chosen], 1);
    headless::click();  // the same row again: chosen again, not changed
    pump();
    EXPECT_EQ(counters[changes], 1);
    EXPECT_EQ(counters[chosen], 2);

    for (int i = 0; i < 5; ++i) {
        headless::pressKey(win32::VK_DOWN);
    }
    pump();
    EXPECT_EQ(list.selectedIndex(), 7);
    EXPECT_FALSE(list.itemAt(2)->isChecked());
    EXPECT_EQ(counters[changes], 6);
    // Row 7 ends at 192: the view ends there, four whole rows tall.
    EXPECT_EQ(bar(list).position(), 192 - 96);

    headless::pressKey(win32::VK_DOWN);
    headless::pressKey(win32::VK_DOWN);
    headless::pressKey(win32::VK_DOWN);  // stops at the last row
    pump();
    EXPECT_EQ(list.selectedIndex(), 9);
    list.setSelectedIndex(0, false);  // a script's choice raises nothing
    EXPECT_EQ(bar(list).position(), 0);
    headless::pressKey(win32::VK_UP);
    pump();
    EXPECT_EQ(list.selectedIndex(), 0);
    EXPECT_EQ(counters[changes], 8);
    headless::pressKey(win32::VK_RETURN);
    pump();
    EXPECT_EQ(counters[chosen], 3);
}

TEST_F(ScrollListTest, TheWheelMovesTwoRowsPerNotchAndRemovingRowsClampsTheView) {
    ListBox& list = openList(10);
    moveTo(20, 20);
    headless::turnWheel(-1);  // toward the user: down the list
    pump();
    EXPECT_EQ(bar(list).position(), 48);
    headless::turnWheel(-5);
    pump();
    EXPECT_EQ(bar(list).position(), 144);
    headless::turnWheel(1);
    pump();
    EXPECT_EQ(bar(list).position(), 96);

    list.setSelectedIndex(9, false);
    EXPECT_TRUE(list.removeItem(9));
    EXPECT_EQ(list.selectedItem(), nullptr);
    EXPECT_FALSE(list.removeItem(9));
    EXPECT_EQ(list.itemCount(), 9);
    // The rows are laid out again once, at the next paint.
    EXPECT_TRUE(list.layoutPending());
    pump();
    EXPECT_FALSE(list.layoutPending());
    EXPECT_EQ(bar(list).total(), 216);
    list.clearItems();
    EXPECT_EQ(list.itemCount(), 0);
    pump();
    EXPECT_EQ(list.verticalBar(), nullptr);
    // No bar: keeping a row in view has nothing to move and says so.
    debugLines.clear();
    list.addItem(u"only");
    list.setSelectedIndex(0, false);
    EXPECT_EQ(list.selectedText(), u"only");
}

TEST_F(ScrollListTest, AListWithoutItemHeightStepsByItsFirstRowElse24) {
    open(
        "<Window initSize=\"400,300\"><ListBox id=\"1\" width=\"100\" height=\"60\" "
        "horizontalAlign=\"left\" verticalAlign=\"top\"><Label text=\"a\" height=\"30\"/>"
        "<Label text=\"b\" height=\"30\"/><Label text=\"c\" height=\"30\"/></ListBox>"
        "</Window>");
    auto& list = dynamic_cast<ListBox&>(*window->controlById(1));
    EXPECT_EQ(list.itemCount(), 3);  // the XML children are rows
    EXPECT_EQ(list.step(), 30);
    moveTo(20, 40);  // a label row takes the press through the list
    headless::click();
    pump();
    EXPECT_EQ(list.selectedIndex(), 1);
    list.clearItems();
    EXPECT_EQ(list.step(), ListBox::kDefaultStep);
}

TEST_F(ScrollListTest, SliderClicksDragsClampsAndTheWheel) {
    open(
        "<Window initSize=\"400,300\"><Slider id=\"1\" width=\"200\" height=\"20\" "
        "horizontalAlign=\"left\" verticalAlign=\"top\"/></Window>");
    auto& slider = dynamic_cast<Slider&>(*window->controlById(1));
    const int changes = counter(slider, dui::EventCode::ValueChange);
    EXPECT_EQ(slider.thumbRect().width(), Slider::kDefaultThumbLength);
    moveTo(110, 10);  // (110 - 8) * 100 / 184
    headless::pressButton();
    pump();
    EXPECT_EQ(slider.value(), 55);
    moveTo(300, 10);  // dragged past the end
    EXPECT_EQ(slider.value(), 100);
    moveTo(-30, 10);
    EXPECT_EQ(slider.value(), 0);
    headless::releaseButton();
    pump();
    EXPECT_EQ(counters[changes], 3);

    slider.setValue(150);
    EXPECT_EQ(slider.value(), 100);
    slider.setValue(-1);
    EXPECT_EQ(slider.value(), 0);
    const int before = counters[changes];
    slider.setValue(0);
    EXPECT_EQ(counters[changes], before);

    moveTo(4, 10);  // over the thumb at value 0
    EXPECT_TRUE(slider.isChecked());
    moveTo(100, 10);
    EXPECT_FALSE(slider.isChecked());
    headless::turnWheel(3);
    pump();
    EXPECT_EQ(slider.value(), 6);
}

}  // namespace
}  // namespace tamlo::test
