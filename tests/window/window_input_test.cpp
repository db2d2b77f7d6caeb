#include <gtest/gtest.h>

#include "window_impl_fixture.h"

namespace tamlo::test {
namespace {

using Log = std::vector<std::string>;
namespace headless = platform::headless;
namespace flag = dui::ControlFlag;

TEST_F(WindowImplTest, HoverChangesRaiseLeaveAndEnterOnlyBelowTheCommonParent) {
    openTwoPanels();
    tap(2, "P");
    tap(3, "A");
    tap(4, "Q");
    tap(5, "B");
    moveTo(10, 10);
    EXPECT_EQ(takeLog(), (Log{"P MouseEnter", "A MouseEnter"}));
    EXPECT_TRUE(window->controlById(3)->hasFlags(flag::Hovered));
    ASSERT_EQ(window->hoverChain().size(), 3u);  // A, P, root

    moveTo(100, 100);  // from the button to the panel that holds it
    EXPECT_EQ(takeLog(), (Log{"A MouseLeave"}));
    EXPECT_FALSE(window->controlById(3)->hasFlags(flag::Hovered));
    moveTo(10, 10);
    EXPECT_EQ(takeLog(), (Log{"A MouseEnter"}));

    moveTo(210, 10);  // into the sibling panel's button
    EXPECT_EQ(takeLog(), (Log{"P MouseLeave", "A MouseLeave", "Q MouseEnter", "B MouseEnter"}));
    EXPECT_EQ(window->hoveredControl(), window->controlById(5));
}

TEST_F(WindowImplTest, LeavingTheWindowEmptiesTheChainInnermostFirst) {
    openTwoPanels();
    tap(1, "W");
    tap(2, "P");
    tap(3, "A");
    moveTo(10, 10);
    takeLog();
    window->handleMessage(win32::WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(takeLog(), (Log{"A MouseLeave", "P MouseLeave", "W MouseLeave"}));
    EXPECT_EQ(window->hoveredControl(), nullptr);
    EXPECT_TRUE(window->hoverChain().empty());
    moveTo(11, 10);
    EXPECT_EQ(takeLog(), (Log{"W MouseEnter", "P MouseEnter", "A MouseEnter"}));
}

// The edit box captures on a press and, unlike a button, lets LButtonUp through.
TEST_F(WindowImplTest, PressCapturesAndReleaseOutsideEndsWithLeaveAndNoMove) {
    openTwoPanels();
    tap(1, "W");
    tap(6, "E");
    tapMoves(6, "E");
    moveTo(10, 290);
    takeLog();
    headless::pressButton();
    pump();
    EXPECT_EQ(takeLog(), (Log{"W PrevLButtonDown", "E PrevLButtonDown", "E GotCapture",
                              "E GotFocus", "E LButtonDown", "W LButtonDown"}));
    EXPECT_EQ(window->capturedControl(), window->controlById(6));
    EXPECT_EQ(platform::captureWindow(), window->handle());

    // Dragged far outside: the captured control still gets the moves, directly.
    moveTo(-50, -50);
    EXPECT_EQ(takeLog(), (Log{"W MouseLeave", "E MouseLeave", "E MouseMove"}));
    headless::releaseButton();
    pump();
    EXPECT_EQ(takeLog(), (Log{"E LButtonUp", "E LostCapture"}));
    EXPECT_EQ(window->capturedControl(), nullptr);
    EXPECT_FALSE(window->controlById(6)->hasFlags(flag::Captured));
}

TEST_F(WindowImplTest, ReleaseInsideEndsWithAMoveToTheControlUnderThePointer) {
    openTwoPanels();
    tap(6, "E");
    tapMoves(6, "E");
    moveTo(10, 290);
    headless::pressButton();
    pump();
    takeLog();
    headless::releaseButton();
    pump();
    EXPECT_EQ(takeLog(), (Log{"E LButtonUp", "E LostCapture", "E MouseMove"}));
}

TEST_F(WindowImplTest, HandledPrevLButtonDownSuppressesCaptureFocusAndThePlainEvent) {
    openTwoPanels();
    tap(1, "W", dui::EventCode::PrevLButtonDown);
    tap(6, "E");
    moveTo(10, 290);
    takeLog();
    headless::pressButton();
    pump();
    EXPECT_EQ(takeLog(), (Log{"W PrevLButtonDown"}));
    EXPECT_EQ(window->capturedControl(), nullptr);
    EXPECT_EQ(window->focusedControl(), nullptr);
}

TEST_F(WindowImplTest, FocusMovesOnPressAndKeysGoToTheFocusedControl) {
    openTwoPanels();
    tap(3, "A");
    tap(6, "E");
    moveTo(10, 290);
    headless::click();
    pump();
    dui::Control* edit = window->controlById(6);
    EXPECT_EQ(window->focusedControl(), edit);
    EXPECT_TRUE(edit->hasFlags(flag::Focused));
    Log events = takeLog();
    EXPECT_NE(std::find(events.begin(), events.end(), "E GotFocus"), events.end());

    headless::pressKey('A');
    pump();
    EXPECT_EQ(takeLog(), (Log{"E PrevKeyDown", "E KeyDown", "E PrevKeyPress", "E KeyPress",
                              "E PrevKeyUp", "E KeyUp"}));

    // A button takes focus away on a press.
    moveTo(10, 10);
    takeLog();
    headless::click();
    pump();
    EXPECT_EQ(window->focusedControl(), nullptr);
    EXPECT_FALSE(edit->hasFlags(flag::Focused));
    events = takeLog();
    EXPECT_EQ(events[0], "A PrevLButtonDown");
    EXPECT_NE(std::find(events.begin(), events.end(), "E LostFocus"), events.end());
    headless::pressKey('B');
    pump();
    EXPECT_TRUE(takeLog().empty());
}

TEST_F(WindowImplTest, LosingWindowFocusSavesTheControlAndActivationRestoresIt) {
    openTwoPanels();
    dui::Control* edit = window->controlById(6);
    window->setFocusControl(edit);
    tap(6, "E");
    window->handleMessage(win32::WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(takeLog(), (Log{"E LostFocus"}));
    EXPECT_EQ(window->focusedControl(), nullptr);
    EXPECT_EQ(window->savedFocus(), edit);
    EXPECT_TRUE(edit->hasFlags(flag::Focused));  // kept for the return

    window->handleMessage(win32::WM_ACTIVATE, win32::WA_CLICKACTIVE, 0);
    EXPECT_EQ(window->focusedControl(), nullptr);
    window->handleMessage(win32::WM_ACTIVATE, win32::WA_ACTIVE, 0);
    EXPECT_EQ(window->focusedControl(), edit);
    EXPECT_EQ(window->savedFocus(), nullptr);
}

TEST_F(WindowImplTest, DoubleClickWithoutTheFlagIsASecondPress) {
    openTwoPanels();
    tap(3, "A");
    moveTo(10, 10);
    takeLog();
    const std::intptr_t at = platform::makeLParam(10, 10);
    window->handleMessage(win32::WM_LBUTTONDBLCLK, win32::MK_LBUTTON, at);
    Log events = takeLog();
    EXPECT_EQ(std::count(events.begin(), events.end(), "A LButtonDbClick"), 0);
    EXPECT_EQ(std::count(events.begin(), events.end(), "A LButtonDown"), 1);
    window->releaseMouseCapture();

    // A control that asks for double clicks gets them as such.
    window->controlById(6)->setFlags(flag::DoubleClicks, true);
    tap(6, "E");
    window->handleMessage(win32::WM_LBUTTONDBLCLK, win32::MK_LBUTTON,
                          platform::makeLParam(10, 290));
    EXPECT_EQ(takeLog().back(), "E LButtonDbClick");
}

TEST_F(WindowImplTest, DisabledControlsAndPositionsOutsideGetNoButtonEvents) {
    openTwoPanels();
    tap(1, "W");
    tap(3, "A");
    window->controlById(3)->setEnabled(false);
    takeLog();
    window->handleMessage(win32::WM_LBUTTONDOWN, win32::MK_LBUTTON, platform::makeLParam(10, 10));
    window->handleMessage(win32::WM_RBUTTONDOWN, win32::MK_RBUTTON, platform::makeLParam(10, 10));
    // Negative coordinates read as large unsigned ones: nothing is hit.
    window->handleMessage(win32::WM_LBUTTONDOWN, win32::MK_LBUTTON, platform::makeLParam(-5, -5));
    EXPECT_TRUE(takeLog().empty());
    EXPECT_EQ(window->capturedControl(), nullptr);
}

TEST_F(WindowImplTest, RemovingTheHoveredFocusedCapturedControlClearsTheWindowFirst) {
    openTwoPanels();
    tap(2, "P");
    tap(3, "A");
    moveTo(10, 10);
    headless::pressButton();
    pump();
    dui::Control* button = window->controlById(3);
    window->setFocusControl(button);
    takeLog();

    auto* panel = window->controlById(2)->asPanel();
    panel->removeChild(button);
    EXPECT_EQ(window->capturedControl(), nullptr);
    EXPECT_EQ(window->focusedControl(), nullptr);
    EXPECT_EQ(window->hoveredControl(), nullptr);
    ASSERT_EQ(window->hoverChain().size(), 2u);  // P and the root stay hovered
    EXPECT_EQ(window->hoverChain()[0], panel);
    Log events = takeLog();
    EXPECT_NE(std::find(events.begin(), events.end(), "A LostCapture"), events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), "A MouseLeave"), events.end());
    EXPECT_EQ(window->controlById(3), nullptr);
    delete button;

    // The posted move re-establishes hover on what is under the pointer now.
    headless::releaseButton();
    pump();
    EXPECT_EQ(window->hoveredControl(), panel);
}

TEST_F(WindowImplTest, AHandlerThatDestroysTheWindowEndsTheMessageSafely) {
    openTwoPanels();
    dui::Control* button = window->controlById(3);
    button->addHandler(dui::EventCode::PrevLButtonDown, &window,
                       [](void* target, dui::Control*, dui::Event&) {
                           auto** owner = static_cast<WindowImpl**>(target);
                           WindowImpl* doomed = *owner;
                           *owner = nullptr;
                           doomed->destroy();
                       });
    moveTo(10, 10);
    headless::pressButton();
    pump();
    EXPECT_EQ(window, nullptr);
    headless::releaseButton();
    pump();
}

TEST_F(WindowImplTest, AHoverChainDeeperThanThirtyTwoIsCutThere) {
    std::string xml = "<Window id=\"1\" initSize=\"200,200\">";
    for (int depth = 0; depth < 40; ++depth) {
        xml += "<Grid>";
    }
    xml += "<Button id=\"9\"/>";
    for (int depth = 0; depth < 40; ++depth) {
        xml += "</Grid>";
    }
    xml += "</Window>";
    open(xml);
    tap(9, "A");
    moveTo(50, 50);
    EXPECT_EQ(window->hoveredControl(), window->controlById(9));
    EXPECT_EQ(window->hoverChain().size(), WindowImpl::kMaxHoverChain);
    EXPECT_EQ(takeLog(), (Log{"A MouseEnter"}));
    window->handleMessage(win32::WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(takeLog(), (Log{"A MouseLeave"}));
    EXPECT_FALSE(window->controlById(9)->hasFlags(flag::Hovered));
}

TEST_F(WindowImplTest, WheelGoesToTheControlUnderTheCursor) {
    openTwoPanels();
    tap(2, "P");
    tap(5, "B");
    moveTo(210, 10);
    takeLog();
    headless::turnWheel(1);
    pump();
    EXPECT_EQ(takeLog(), (Log{"B MouseWheel"}));  // P is not on the route
}

}  // namespace
}  // namespace tamlo::test
