#include <gtest/gtest.h>

#include "window/combo_helper_window.h"
#include "window_impl_fixture.h"

namespace tamlo::test {
namespace {

namespace headless = platform::headless;

const char* kSmall =
    "<Window initSize=\"300,200\"><Button id=\"3\" tooltip=\"01234567890123456789\"/></Window>";

TEST_F(WindowImplTest, EndDialogEndsTheModalLoopWithItsCodeAndCloseIsRefused) {
    open(kSmall, false);
    WindowImpl* dialog = window;
    const platform::WindowHandle handle = dialog->handle();
    platform::postMessage(handle, win32::WM_CLOSE, 0, 0);
    platform::postMessage(handle, win32::WM_SYSCOMMAND, win32::SC_CLOSE, 0);
    // The code is handed in from inside the loop, as a button handler would.
    dui::Control* button = dialog->controlById(3);
    button->addHandler(dui::EventCode::Click, dialog, [](void* target, dui::Control*, dui::Event&) {
        static_cast<WindowImpl*>(target)->endDialog(7);
    });
    dui::Event click{dui::EventCode::Click, dui::Direct, 0, 0, 0};
    button->postEvent(click);
    window = nullptr;  // showDialog destroys it
    EXPECT_EQ(dialog->showDialog(0), 7);
    EXPECT_EQ(WindowBase::fromHandle(handle), nullptr);
}

TEST_F(WindowImplTest, QuitInsideTheModalLoopIsPostedAgainForTheOuterLoop) {
    open(kSmall, false);
    WindowImpl* dialog = window;
    window = nullptr;
    platform::postQuitMessage(0);
    EXPECT_EQ(dialog->showDialog(0), 0);
    platform::Message message;
    EXPECT_EQ(platform::getMessage(message), 0);  // the outer loop sees the quit too
}

TEST_F(WindowImplTest, TheOwnerIsDisabledDuringTheDialogAndEnabledAfter) {
    open(kSmall, false);
    WindowImpl* owner = window;
    dui::Control* root = build("<Window initSize=\"100,100\"/>");
    releaseBuilt(root);
    auto* dialog = new WindowImpl();
    dialog->setRoot(root);
    ASSERT_TRUE(dialog->create(0, 0, 0, 0, 10, 10, owner->handle()));
    struct Probe {
        WindowImpl* dialog;
        platform::WindowHandle owner;
        bool ownerEnabledInside = true;
    } probe{dialog, owner->handle()};
    dialog->root()->addHandler(dui::EventCode::Notify, &probe,
                               [](void* target, dui::Control*, dui::Event&) {
                                   auto* p = static_cast<Probe*>(target);
                                   p->ownerEnabledInside = platform::isWindowEnabled(p->owner);
                                   p->dialog->endDialog(2);
                               });
    dialog->root()->postEvent(dui::Event{dui::EventCode::Notify, dui::Direct, 0, 0, 0});
    EXPECT_EQ(dialog->showDialog(owner->handle()), 2);
    EXPECT_FALSE(probe.ownerEnabledInside);
    EXPECT_TRUE(platform::isWindowEnabled(owner->handle()));
}

TEST_F(WindowImplTest, CenterScreenLeavesRoomForATaskbar) {
    open(kSmall);
    window->centerScreen();
    const platform::Rect bounds = platform::windowRect(window->handle());
    EXPECT_EQ(bounds.left, (1920 - 300) / 2);
    EXPECT_EQ(bounds.top, (1080 - 200 - 100) / 2);
    EXPECT_EQ(bounds.width(), 300);
}

TEST_F(WindowImplTest, TooltipNearTheRightEdgeMovesLeft) {
    open(kSmall);
    window->centerScreen();
    platform::Rect bounds = platform::windowRect(window->handle());
    // The pointer on the button, 100 px from the right screen edge is outside the
    // window; move the window so that it is not.
    platform::setWindowPos(window->handle(), 0, 1920 - 250, 100, 0, 0,
                           win32::SWP_NOSIZE | win32::SWP_NOZORDER);
    headless::moveMouse(platform::Point{1920 - 100, 150});
    pump();
    window->handleMessage(win32::WM_MOUSEHOVER, 0, platform::makeLParam(150, 50));
    ASSERT_NE(window->tooltipWindow(), 0u);
    EXPECT_TRUE(platform::isWindowVisible(window->tooltipWindow()));
    bounds = platform::windowRect(window->tooltipWindow());
    EXPECT_EQ(bounds.left, 1920 - 282);
    EXPECT_EQ(bounds.top, 150 + 19);
    headless::pressButton();
    pump();
    EXPECT_FALSE(platform::isWindowVisible(window->tooltipWindow()));
    headless::releaseButton();
    pump();
}

TEST_F(WindowImplTest, LayeredInvalidationsMergeAndTheTwentyFirstFlushes) {
    open(kSmall);
    window->setLayered(true);
    window->handleMessage(WindowImpl::kFlushMessage, 0, 0);  // nothing pending from start-up
    window->invalidateRect(Rect{0, 0, 10, 10});
    window->invalidateRect(Rect{0, 10, 10, 20});
    ASSERT_EQ(window->dirtyRects().size(), 1u);
    EXPECT_EQ(window->dirtyRects()[0], (Rect{0, 0, 10, 20}));
    window->invalidateRect(Rect{2, 2, 5, 5});  // contained: dropped
    EXPECT_EQ(window->dirtyRects().size(), 1u);
    window->invalidateRect(Rect{0, 0, 50, 50});  // contains: replaces
    ASSERT_EQ(window->dirtyRects().size(), 1u);
    EXPECT_EQ(window->dirtyRects()[0], (Rect{0, 0, 50, 50}));

    pump();
    window->handleMessage(WindowImpl::kFlushMessage, 0, 0);
    EXPECT_TRUE(window->dirtyRects().empty());
    for (int i = 0; i < 20; ++i) {
        window->invalidateRect(Rect{i * 10, i * 10, i * 10 + 5, i * 10 + 5});
    }
    EXPECT_EQ(window->dirtyRects().size(), 20u);
    window->invalidateRect(Rect{290, 190, 295, 195});
    ASSERT_EQ(window->dirtyRects().size(), 1u);
    EXPECT_EQ(window->dirtyRects()[0], (Rect{290, 190, 295, 195}));
}

TEST_F(WindowImplTest, CaretBlinksAndAFreshShowStartsUndrawn) {
    open(kSmall);
    window->setCaretSize(1, 14);
    window->showCaret(5, 6);
    // Starting the timer ticks once at once: the first show is undrawn.
    EXPECT_FALSE(window->caretDrawn());
    EXPECT_EQ(window->caretRect(), (Rect{5, 6, 6, 20}));
    window->showCaret(9, 6);  // moving while it blinks keeps it drawn
    EXPECT_TRUE(window->caretDrawn());
    window->hideCaret();
    EXPECT_FALSE(window->caretDrawn());
    window->showCaret(9, 6);
    EXPECT_FALSE(window->caretDrawn());
    window->hideCaret();
}

TEST_F(WindowImplTest, TheDrawnCaretReachesTheScreenAndGoesWhenHidden) {
    open(kSmall);
    window->setCaretSize(2, 10);
    window->showCaret(20, 30);
    window->showCaret(40, 30);  // drawn now
    pump();
    platform::WindowPixels shown;
    ASSERT_TRUE(platform::copyWindowPixels(window->handle(), shown));
    auto at = [&shown](int x, int y) { return shown.pixels[y * shown.width + x] & 0xFFFFFF; };
    EXPECT_EQ(at(41, 35), 0x5A5A5Au);
    EXPECT_NE(at(43, 35), 0x5A5A5Au);
    window->hideCaret();
    pump();
    ASSERT_TRUE(platform::copyWindowPixels(window->handle(), shown));
    EXPECT_NE(at(41, 35), 0x5A5A5Au);
}

TEST_F(WindowImplTest, TheDropDownKeepsItsFocusWhenTheWindowLosesIt) {
    dui::Control* root = build("<Window initSize=\"100,100\"><Edit id=\"1\"/></Window>");
    releaseBuilt(root);
    ComboHelperWnd::install();
    auto* combo = new dui::ComboBox();
    auto* dropDown = dynamic_cast<ComboHelperWnd*>(combo->dropDown());
    ASSERT_NE(dropDown, nullptr);
    dropDown->setRoot(root);
    ASSERT_TRUE(dropDown->create(0, 0, 0, 0, 10, 10, 0));
    window = dropDown;
    dui::Control* edit = dropDown->controlById(1);
    dropDown->setFocusControl(edit);
    dropDown->handleMessage(win32::WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(dropDown->focusedControl(), edit);
    EXPECT_EQ(dropDown->savedFocus(), nullptr);
    // The drop-down never outlives its combo box.
    const platform::WindowHandle handle = dropDown->handle();
    window = nullptr;
    delete combo;
    EXPECT_FALSE(platform::isWindow(handle));
}

TEST_F(WindowImplTest, TheDestroyedHookHearsOfTheWindowAfterItsTreeLeft) {
    static platform::WindowHandle heard = 0;
    static bool treeAttached = true;
    static dui::Control* root = nullptr;
    heard = 0;
    open(kSmall);
    root = window->root();
    WindowImpl::setDestroyedHook([](platform::WindowHandle handle) {
        heard = handle;
        treeAttached = root->isAlive();
    });
    const platform::WindowHandle handle = window->handle();
    window->destroy();
    window = nullptr;
    WindowImpl::setDestroyedHook(nullptr);
    EXPECT_EQ(heard, handle);
    EXPECT_FALSE(treeAttached);
}

}  // namespace
}  // namespace tamlo::test
