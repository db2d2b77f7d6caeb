// The combo box's drop-down through the real headless windows: its placement, the choice
// by mouse and keys, and every way its loop ends. Steps inside the drop-down's own loop
// run as posted calls, each posting the next after the input it made.
#include <gtest/gtest.h>

#include <functional>

#include "dui/controls/combo_box.h"
#include "dui/controls/list_box.h"
#include "dui/core/attribute_keys.h"
#include "platform/windowing/posted_call.h"
#include "platform/windowing/window_registry.h"
#include "window/combo_helper_window.h"
#include "window/window_impl_fixture.h"

namespace tamlo::test {
namespace {

namespace headless = platform::headless;
using dui::ComboBox;

const char* kDialog =
    "<Window initSize=\"400,300\"><ComboBox id=\"1\" width=\"120\" height=\"24\" "
    "horizontalAlign=\"left\" verticalAlign=\"top\"/><Button id=\"2\" width=\"50\" "
    "height=\"20\" horizontalAlign=\"left\" verticalAlign=\"top\" margin=\"200,200,0,0\"/>"
    "</Window>";

class ComboBoxTest : public WindowImplTest {
  protected:
    ComboBox& openCombo(int items, int windowTop = 100) {
        open(kDialog);
        platform::moveWindow(window->handle(), 100, windowTop, 400, 300);
        pump();
        auto& combo = dynamic_cast<ComboBox&>(*window->controlById(1));
        for (int i = 0; i < items; ++i) {
            combo.list()->addItem(u"item" + std::u16string(1, static_cast<char16_t>(u'0' + i)));
        }
        counters.push_back(0);
        changes = &counters.back();
        combo.addHandler(
            dui::EventCode::ValueChange, changes,
            [](void* target, dui::Control*, dui::Event&) { ++*static_cast<int*>(target); });
        return combo;
    }
    ComboHelperWnd* popup(ComboBox& combo) {
        return dynamic_cast<ComboHelperWnd*>(combo.dropDown());
    }

    // Steps run one by one from the loop that is pumping, once what is queued when they
    // start has been handled; `start` posts the first.
    void schedule(std::vector<std::function<void()>> steps) {
        pending = std::move(steps);
        next = 0;
    }
    void start() { ASSERT_TRUE(postCall(this, &ComboBoxTest::runStep, 0, 0)); }
    static void runStep(void* self, std::uintptr_t, std::uintptr_t) {
        auto* test = static_cast<ComboBoxTest*>(self);
        if (test->next < test->pending.size()) {
            test->pending[test->next++]();
        }
        if (test->next < test->pending.size()) {
            postCall(self, &ComboBoxTest::runStep, 0, 0);
        }
    }
    // Clicks the field; the drop-down's loop runs the scheduled steps and this returns
    // when it has closed.
    void dropDown() {
        headless::moveMouseTo(window->handle(), platform::Point{60, 12});
        pump();
        headless::click();
        start();
        pump();
    }

    std::vector<std::function<void()>> pending;
    std::size_t next = 0;
    std::deque<int> counters;
    int* changes = nullptr;
};

TEST_F(ComboBoxTest, PopupHeightsAndDirection) {
    EXPECT_EQ(ComboHelperWnd::popupHeight(3), 76);
    EXPECT_EQ(ComboHelperWnd::popupHeight(5), 124);
    EXPECT_EQ(ComboHelperWnd::popupHeight(6), 148);
    EXPECT_EQ(ComboHelperWnd::popupHeight(10), 148);
    EXPECT_TRUE(ComboHelperWnd::dropsBelow(3, Rect{0, 900, 100, 924}, 1080));
    // 72 + 24 + 980 + 8 is not below 1080.
    EXPECT_FALSE(ComboHelperWnd::dropsBelow(3, Rect{0, 980, 100, 1004}, 1080));
}

TEST_F(ComboBoxTest, NearTheScreenBottomItOpensUpwardAndEscapeClosesIt) {
    ComboBox& combo = openCombo(3, 1000);
    Rect shown;
    bool wasOpen = false;
    schedule({[&] {
        wasOpen = combo.isDroppedDown() && platform::isWindowVisible(popup(combo)->handle());
        shown = platform::windowRect(popup(combo)->handle());
        headless::pressKey(win32::VK_DOWN);
        headless::pressKey(win32::VK_ESCAPE);
    }});
    dropDown();
    EXPECT_TRUE(wasOpen);
    EXPECT_FALSE(popup(combo)->dropsDown());
    EXPECT_EQ(shown, (Rect{100, 1000 - 76, 220, 1000}));
    EXPECT_FALSE(combo.isDroppedDown());
    EXPECT_FALSE(platform::isWindowVisible(popup(combo)->handle()));
    EXPECT_EQ(*changes, 0);  // Escape chooses nothing
    EXPECT_EQ(combo.findText(dui::key::text), nullptr);
    EXPECT_EQ(combo.selectedIndex(), -1);  // the row Down moved to is not a choice
}

TEST_F(ComboBoxTest, KeysAndReturnChooseAndTenItemsShowSixRows) {
    ComboBox& combo = openCombo(10);
    Rect shown;
    schedule({[&] {
                  shown = platform::windowRect(popup(combo)->handle());
                  headless::pressKey(win32::VK_DOWN);
                  headless::pressKey(win32::VK_DOWN);
              },
              [&] { headless::pressKey(win32::VK_RETURN); }});
    dropDown();
    EXPECT_TRUE(popup(combo)->dropsDown());
    EXPECT_EQ(shown, (Rect{100, 124, 220, 124 + 148}));
    EXPECT_EQ(*combo.findText(dui::key::text), u"item2");
    EXPECT_EQ(combo.selectedIndex(), 2);
    EXPECT_EQ(*changes, 1);
    EXPECT_FALSE(combo.isDroppedDown());
}

TEST_F(ComboBoxTest, AClickOnARowChoosesAndAClickOutsideOnlyCloses) {
    ComboBox& combo = openCombo(3);
    schedule({[&] {
        // Row 1 of the popup below the field: screen y = 124 + 2 + 24 + 12.
        headless::moveMouse(platform::Point{150, 124 + 2 + 24 + 12});
        headless::click();
    }});
    dropDown();
    EXPECT_EQ(*combo.findText(dui::key::text), u"item1");
    EXPECT_EQ(*changes, 1);

    counters.push_back(0);
    int* clicks = &counters.back();
    window->controlById(2)->addHandler(
        dui::EventCode::Click, clicks,
        [](void* target, dui::Control*, dui::Event&) { ++*static_cast<int*>(target); });
    schedule({[&] {
        headless::moveMouse(platform::Point{100 + 210, 100 + 210});  // on the button
        headless::click();
    }});
    dropDown();
    pump();
    EXPECT_FALSE(combo.isDroppedDown());
    EXPECT_EQ(*combo.findText(dui::key::text), u"item1");
    EXPECT_EQ(*changes, 1);
    EXPECT_EQ(*clicks, 0);  // the closing click does not reach the dialog
}

TEST_F(ComboBoxTest, AQuitWhileOpenEndsTheLoopAndReachesTheLoopsOutside) {
    ComboBox& combo = openCombo(3);
    schedule({[&] { platform::postQuitMessage(3); }});
    dropDown();
    EXPECT_FALSE(combo.isDroppedDown());
    platform::Message message;
    EXPECT_EQ(platform::getMessage(message), 0);
    EXPECT_EQ(message.wParam, 3u);
}

TEST_F(ComboBoxTest, EndDialogWhileOpenEndsBothLoops) {
    openCombo(3);
    const platform::WindowHandle dialog = window->handle();
    WindowImpl* modal = window;
    schedule({[&] {
                  moveTo(60, 12);
                  headless::click();
              },
              [&] { modal->endDialog(7); }});
    window = nullptr;  // showDialog destroys it
    start();
    EXPECT_EQ(modal->showDialog(0), 7);
    EXPECT_FALSE(platform::isWindow(dialog));
    // The popup went with its dialog.
    for (platform::WindowHandle handle : platform::windowsInZOrder()) {
        EXPECT_EQ(dynamic_cast<ComboHelperWnd*>(WindowBase::fromHandle(handle)), nullptr);
    }
}

TEST_F(ComboBoxTest, TheComboBoxDestroyedWhileOpenTakesItsPopupWithIt) {
    ComboBox* combo = &openCombo(3);
    const std::size_t before = platform::windowCount();
    platform::WindowHandle shownPopup = 0;
    schedule({[&] {
        shownPopup = popup(*combo)->handle();
        window->root()->asPanel()->removeChild(combo);
        delete combo;
    }});
    dropDown();
    ASSERT_NE(shownPopup, 0u);
    EXPECT_FALSE(platform::isWindow(shownPopup));
    EXPECT_EQ(platform::windowCount(), before);  // the popup was made by the drop-down
}

TEST_F(ComboBoxTest, TheDialogDestroyedWhileOpenEndsTheLoop) {
    ComboBox& combo = openCombo(3);
    platform::WindowHandle shownPopup = 0;
    schedule({[&] {
        shownPopup = popup(combo)->handle();
        window->destroy();
        window = nullptr;
    }});
    dropDown();
    EXPECT_NE(shownPopup, 0u);
    EXPECT_FALSE(platform::isWindow(shownPopup));
}

}  // namespace
}  // namespace tamlo::test
