#include <gtest/gtest.h>

#include "dui/controls/label.h"
#include "window/window_impl_fixture.h"

namespace tamlo::test {
namespace {

namespace headless = platform::headless;
using dui::EventCode::Click;
using dui::EventCode::ValueChange;

// A row of 50 x 20 controls at x = 0, 60, 120, 180, 240 and a title bar below.
const char* kRow =
    "<Window initSize=\"400,300\">"
    "<Button id=\"1\" width=\"50\" height=\"20\" horizontalAlign=\"left\" "
    "verticalAlign=\"top\"/>"
    "<CheckBox id=\"2\" width=\"50\" height=\"20\" horizontalAlign=\"left\" "
    "verticalAlign=\"top\" margin=\"60,0,0,0\"/>"
    "<RadioButton id=\"3\" width=\"50\" height=\"20\" horizontalAlign=\"left\" "
    "verticalAlign=\"top\" margin=\"120,0,0,0\"/>"
    "<ToggleButton id=\"4\" width=\"50\" height=\"20\" horizontalAlign=\"left\" "
    "verticalAlign=\"top\" margin=\"180,0,0,0\"/>"
    "<LinkLabel id=\"5\" url=\"https://example.org/a b\" width=\"50\" height=\"20\" "
    "horizontalAlign=\"left\" verticalAlign=\"top\" margin=\"240,0,0,0\"/>"
    "<TitleBar id=\"6\" height=\"30\" verticalAlign=\"top\" margin=\"0,100,0,0\"/>"
    "</Window>";

class ControlInputTest : public WindowImplTest {
  protected:
    int count(int32_t id, int32_t code) {
        counters.push_back(0);
        window->controlById(id)->addHandler(
            code, &counters.back(),
            [](void* target, dui::Control*, dui::Event&) { ++*static_cast<int*>(target); });
        return static_cast<int>(counters.size() - 1);
    }
    void clickAt(int x, int y) {
        moveTo(x, y);
        headless::click();
        pump();
    }
    std::deque<int> counters;
};

TEST_F(ControlInputTest, ClickNeedsThePressAndTheReleaseOnTheButton) {
    open(kRow);
    const int clicks = count(1, Click);
    clickAt(10, 10);
    EXPECT_EQ(counters[clicks], 1);

    moveTo(10, 10);
    headless::pressButton();
    moveTo(10, 200);  // off the button
    headless::releaseButton();
    pump();
    EXPECT_EQ(counters[clicks], 1);

    headless::pressButton();  // pressed outside, released on it
    moveTo(10, 10);
    headless::releaseButton();
    pump();
    EXPECT_EQ(counters[clicks], 1);

    moveTo(10, 10);
    headless::pressButton();
    moveTo(10, 200);
    moveTo(12, 12);  // and back on
    headless::releaseButton();
    pump();
    EXPECT_EQ(counters[clicks], 2);
}

TEST_F(ControlInputTest, ClickArrivesAfterTheReleaseHasBeenHandled) {
    open(kRow);
    const int clicks = count(1, Click);
    moveTo(10, 10);
    headless::pressButton();
    headless::releaseButton();
    // The release has been handled; the posted click waits for the loop.
    EXPECT_EQ(counters[clicks], 0);
    EXPECT_FALSE(window->controlById(1)->hasFlags(dui::ControlFlag::Captured));
    pump();
    EXPECT_EQ(counters[clicks], 1);
}

TEST_F(ControlInputTest, CheckBoxAndToggleFlipRadioOnlyChecks) {
    open(kRow);
    const int checkChanges = count(2, ValueChange);
    const int radioChanges = count(3, ValueChange);
    clickAt(70, 10);
    EXPECT_TRUE(window->controlById(2)->isChecked());
    clickAt(70, 10);
    EXPECT_FALSE(window->controlById(2)->isChecked());
    EXPECT_EQ(counters[checkChanges], 2);

    clickAt(130, 10);
    clickAt(130, 10);
    EXPECT_TRUE(window->controlById(3)->isChecked());
    EXPECT_EQ(counters[radioChanges], 1);  // a checked radio button stays as it is

    clickAt(190, 10);
    EXPECT_TRUE(window->controlById(4)->isChecked());
    clickAt(190, 10);
    EXPECT_FALSE(window->controlById(4)->isChecked());
}

std::vector<std::u16string> gOpened;

TEST_F(ControlInputTest, LinkLabelOpensItsUrlAndShowsTheHand) {
    gOpened.clear();
    dui::LinkLabel::setOpener([](const std::u16string& url) { gOpened.push_back(url); });
    open(kRow);
    platform::setCursor(win32::IDC_ARROW);
    clickAt(250, 10);
    EXPECT_EQ(platform::currentCursor(), win32::IDC_HAND);
    ASSERT_EQ(gOpened.size(), 1u);
    EXPECT_EQ(gOpened[0], u"https://example.org/a b");

    // Without an address the press is swallowed and nothing opens.
    window->controlById(5)->setText(dui::key::url, u"");
    clickAt(250, 10);
    EXPECT_EQ(gOpened.size(), 1u);
    dui::LinkLabel::setOpener(nullptr);
}

TEST_F(ControlInputTest, TitleBarDragsTheWindowUntilRelease) {
    open(kRow);
    const platform::Rect before = platform::windowRect(window->handle());
    moveTo(200, 110);
    headless::pressButton();
    pump();
    EXPECT_TRUE(window->isMoveDragging());
    headless::moveMouse(platform::Point{100 + 230, 100 + 150});
    pump();
    headless::releaseButton();
    pump();
    EXPECT_FALSE(window->isMoveDragging());
    const platform::Rect after = platform::windowRect(window->handle());
    EXPECT_EQ(after.left, before.left + 30);
    EXPECT_EQ(after.top, before.top + 40);
    EXPECT_EQ(after.width(), before.width());

    // The window stays where it was left.
    headless::moveMouse(platform::Point{10, 10});
    pump();
    EXPECT_EQ(platform::windowRect(window->handle()), after);
}

}  // namespace
}  // namespace tamlo::test
