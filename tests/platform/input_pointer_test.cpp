#include "platform/headless/input.h"
#include "platform/windowing/messages.h"
#include "window_test_support.h"

namespace tamlo::test {
namespace {

using namespace tamlo::win32;
namespace headless = platform::headless;
using platform::MouseButton;
using platform::Point;

using PointerInputTest = WindowTest;

TEST_F(PointerInputTest, MovesCarryClientCoordinatesAndTheButtonsAndModifiersDown) {
    auto window = shownWindow({100, 200, 300, 300});
    headless::moveMouse(Point{130, 250});
    headless::pressButton();
    headless::keyDown(VK_SHIFT);
    headless::moveMouse(Point{131, 252});
    headless::releaseButton();
    pump();
    auto moves = window->seen(WM_MOUSEMOVE);
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].lParam, platform::makeLParam(30, 50));
    EXPECT_EQ(moves[0].wParam, 0u);
    EXPECT_EQ(moves[1].lParam, platform::makeLParam(31, 52));
    EXPECT_EQ(moves[1].wParam, MK_LBUTTON | MK_SHIFT);
    ASSERT_EQ(window->seen(WM_LBUTTONDOWN).size(), 1u);
    EXPECT_EQ(window->seen(WM_LBUTTONDOWN)[0].wParam, MK_LBUTTON);
    ASSERT_EQ(window->seen(WM_LBUTTONUP).size(), 1u);
    EXPECT_EQ(window->seen(WM_LBUTTONUP)[0].wParam, MK_SHIFT);  // the released button is up
}

TEST_F(PointerInputTest, SetCursorComesFirstAndAnUnhandledOneShowsTheArrow) {
    auto window = shownWindow({0, 0, 100, 100});
    platform::setCursor(IDC_HAND);
    headless::moveMouse(Point{10, 10});
    ASSERT_EQ(window->numbers().front(), WM_SETCURSOR);
    EXPECT_EQ(window->messages.front().wParam, window->handle());
    EXPECT_EQ(window->messages.front().lParam,
              static_cast<std::intptr_t>(HTCLIENT | WM_MOUSEMOVE << 16));
    EXPECT_EQ(platform::currentCursor(), IDC_ARROW);

    window->answeredMessage = WM_SETCURSOR;
    window->answer = 1;
    window->onMessage = [](TestWindow&, uint32_t m) {
        if (m == WM_SETCURSOR) {
            platform::setCursor(IDC_HAND);
        }
    };
    headless::moveMouse(Point{11, 10});
    EXPECT_EQ(platform::currentCursor(), IDC_HAND);
}

TEST_F(PointerInputTest, LeaveTrackingIsOneShotAndFiresWhenThePointerMovesAway) {
    auto left = shownWindow({0, 0, 100, 100});
    auto right = shownWindow({100, 0, 100, 100});
    headless::moveMouse(Point{50, 50});
    ASSERT_TRUE(platform::trackMouseEvent(left->handle(), TME_LEAVE, HOVER_DEFAULT));
    headless::moveMouse(Point{60, 50});
    headless::moveMouse(Point{150, 50});
    headless::moveMouse(Point{40, 50});
    headless::moveMouse(Point{150, 50});
    pump();
    EXPECT_EQ(left->seen(WM_MOUSELEAVE).size(), 1u);
    EXPECT_TRUE(right->seen(WM_MOUSELEAVE).empty());
    // Asking while the pointer is elsewhere answers with a leave at once.
    left->clear();
    platform::trackMouseEvent(left->handle(), TME_LEAVE, HOVER_DEFAULT);
    pump();
    EXPECT_EQ(left->seen(WM_MOUSELEAVE).size(), 1u);
}

TEST_F(PointerInputTest, HoverFiresAfterTheHoverTimeUnlessThePointerLeavesTheHoverRectangle) {
    auto window = shownWindow({0, 0, 200, 200});
    headless::moveMouse(Point{50, 50});
    platform::trackMouseEvent(window->handle(), TME_HOVER | TME_LEAVE, HOVER_DEFAULT);
    advance(300);
    headless::moveMouse(Point{51, 51});  // inside the 4 x 4 hover rectangle: keeps timing
    advance(100);
    ASSERT_EQ(window->seen(WM_MOUSEHOVER).size(), 1u);
    EXPECT_EQ(window->seen(WM_MOUSEHOVER)[0].lParam, platform::makeLParam(51, 51));

    window->clear();
    platform::trackMouseEvent(window->handle(), TME_HOVER, HOVER_DEFAULT);
    advance(300);
    headless::moveMouse(Point{70, 70});  // outside: timing starts again
    advance(300);
    EXPECT_TRUE(window->seen(WM_MOUSEHOVER).empty());
    advance(100);
    EXPECT_EQ(window->seen(WM_MOUSEHOVER).size(), 1u);
    advance(1000);
    EXPECT_EQ(window->seen(WM_MOUSEHOVER).size(), 1u);  // one-shot

    platform::trackMouseEvent(window->handle(), TME_HOVER, HOVER_DEFAULT);
    platform::trackMouseEvent(window->handle(), TME_HOVER | TME_CANCEL, 0);
    advance(1000);
    EXPECT_EQ(window->seen(WM_MOUSEHOVER).size(), 1u);
}

std::vector<uint32_t> buttonMessages(const TestWindow& window) {
    std::vector<uint32_t> out;
    for (uint32_t m : window.numbers()) {
        if (m >= WM_LBUTTONDOWN && m <= WM_MBUTTONDBLCLK) {
            out.push_back(m);
        }
    }
    return out;
}

TEST_F(PointerInputTest, DoubleClicksNeedTheClassStyleTheTimeAndTheDistance) {
    auto window = shownWindow({0, 0, 200, 200, CS_DBLCLKS});
    headless::moveMouse(Point{50, 50});
    headless::click();
    advance(500);
    headless::moveMouse(Point{52, 48});
    headless::click();  // within 500 ms and 2 pixels: a double click
    headless::click();  // a third press starts over
    advance(501);
    headless::click();  // too late for the one before
    headless::moveMouse(Point{55, 50});
    headless::click();  // too far
    headless::click(MouseButton::Right);
    headless::click(MouseButton::Right);
    pump();
    EXPECT_EQ(buttonMessages(*window),
              (std::vector<uint32_t>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP,
                                     WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP,
                                     WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP,
                                     WM_RBUTTONDBLCLK, WM_RBUTTONUP}));

    auto plain = shownWindow({300, 0, 100, 100});
    headless::moveMouse(Point{350, 50});
    headless::click();
    headless::click();
    pump();
    EXPECT_EQ(buttonMessages(*plain),
              (std::vector<uint32_t>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

TEST_F(PointerInputTest, CaptureRoutesMovesAndTheReleaseOutsideTheWindow) {
    auto window = shownWindow({100, 100, 100, 100});
    auto other = shownWindow({300, 100, 100, 100});
    headless::moveMouse(Point{150, 150});
    headless::pressButton();
    platform::setCapture(window->handle());
    headless::moveMouse(Point{90, 80});    // left of and above the window
    headless::moveMouse(Point{350, 150});  // over the other window
    headless::releaseButton();
    pump();
    auto moves = window->seen(WM_MOUSEMOVE);
    ASSERT_EQ(moves.size(), 3u);
    EXPECT_EQ(lParamX(moves[1].lParam), -10);
    EXPECT_EQ(lParamY(moves[1].lParam), -20);
    EXPECT_EQ(platform::lowWord(static_cast<std::uintptr_t>(moves[1].lParam)), 0xFFF6);
    ASSERT_EQ(window->seen(WM_LBUTTONUP).size(), 1u);
    EXPECT_EQ(lParamX(window->seen(WM_LBUTTONUP)[0].lParam), 250);
    EXPECT_TRUE(other->seen(WM_MOUSEMOVE).empty());
    EXPECT_TRUE(other->seen(WM_LBUTTONUP).empty());

    // Without capture a release outside every window reaches nobody.
    platform::releaseCapture();
    window->clear();
    headless::moveMouse(Point{150, 150});
    headless::pressButton();
    headless::moveMouse(Point{250, 150});
    headless::releaseButton();
    pump();
    EXPECT_TRUE(window->seen(WM_LBUTTONUP).empty());
}

TEST_F(PointerInputTest, LeaveWaitsWhileTheTrackedWindowHoldsCapture) {
    auto window = shownWindow({0, 0, 100, 100});
    headless::moveMouse(Point{50, 50});
    platform::trackMouseEvent(window->handle(), TME_LEAVE, HOVER_DEFAULT);
    platform::setCapture(window->handle());
    headless::moveMouse(Point{500, 500});
    pump();
    EXPECT_TRUE(window->seen(WM_MOUSELEAVE).empty());
    platform::releaseCapture();
    pump();
    EXPECT_EQ(window->seen(WM_MOUSELEAVE).size(), 1u);
}

TEST_F(PointerInputTest, ClicksPassClickThroughWindowsAndActivateWithClickActivation) {
    auto below = shownWindow({0, 0, 200, 200});
    auto other = shownWindow({300, 0, 100, 100});
    TestWindow shadow({0, 0, 200, 200, 0, WS_POPUP, WS_EX_TRANSPARENT | WS_EX_LAYERED});
    platform::showWindow(shadow.handle(), SW_SHOWNOACTIVATE);
    ASSERT_EQ(platform::activeWindow(), other->handle());
    below->clear();
    headless::moveMouse(Point{20, 20});
    headless::click();
    pump();
    EXPECT_EQ(platform::activeWindow(), below->handle());
    ASSERT_EQ(below->seen(WM_ACTIVATE).size(), 1u);
    EXPECT_EQ(below->seen(WM_ACTIVATE)[0].wParam, WA_CLICKACTIVE);
    EXPECT_EQ(below->seen(WM_LBUTTONDOWN).size(), 1u);
    EXPECT_TRUE(shadow.seen(WM_LBUTTONDOWN).empty());
}

TEST_F(PointerInputTest, DisabledWindowsGetNoPointerOrKeys) {
    auto window = shownWindow({0, 0, 100, 100});
    platform::enableWindow(window->handle(), false);
    window->clear();
    headless::moveMouse(Point{10, 10});
    headless::click();
    headless::turnWheel(1);
    headless::pressKey('A');
    pump();
    EXPECT_TRUE(window->messages.empty());
}

TEST_F(PointerInputTest, WheelCarriesSignedNotchesAndScreenCoordinates) {
    auto window = shownWindow({100, 100, 100, 100});
    headless::moveMouse(Point{150, 160});
    headless::keyDown(VK_CONTROL);
    headless::turnWheel(-2);
    pump();
    auto wheel = window->seen(WM_MOUSEWHEEL);
    ASSERT_EQ(wheel.size(), 1u);
    EXPECT_EQ(static_cast<int16_t>(platform::highWord(wheel[0].wParam)), -240);
    EXPECT_EQ(platform::lowWord(wheel[0].wParam), MK_CONTROL);
    EXPECT_EQ(wheel[0].lParam, platform::makeLParam(150, 160));
}

using KeyInputTest = WindowTest;

TEST_F(KeyInputTest, KeyMessagesCarryRepeatAndTransitionBitsAndGoToTheFocusWindow) {
    auto window = shownWindow({});
    auto other = shownWindow({});
    platform::setFocus(window->handle());
    window->clear();
    headless::keyDown(VK_LEFT);
    headless::keyDown(VK_LEFT);
    headless::keyUp(VK_LEFT);
    pump();
    auto downs = window->seen(WM_KEYDOWN);
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_EQ(downs[0].wParam, VK_LEFT);
    EXPECT_EQ(downs[0].lParam & 0xFFFF, 1);
    EXPECT_EQ(downs[0].lParam & KF_REPEAT_BIT, 0);
    EXPECT_NE(downs[1].lParam & KF_REPEAT_BIT, 0);
    auto ups = window->seen(WM_KEYUP);
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(static_cast<uint32_t>(ups[0].lParam) & (KF_REPEAT_BIT | KF_UP_BIT),
              KF_REPEAT_BIT | KF_UP_BIT);
    EXPECT_TRUE(other->seen(WM_KEYDOWN).empty());
}

TEST_F(KeyInputTest, TypedTextArrivesAsCharactersThroughTranslation) {
    auto window = shownWindow({});
    headless::typeText(u"Hi! 安装");
    pump();
    std::u16string typed;
    for (const auto& m : window->seen(WM_CHAR)) {
        typed += static_cast<char16_t>(m.wParam);
    }
    EXPECT_EQ(typed, u"Hi! 安装");
    EXPECT_FALSE(platform::inputKeyIsDown(VK_SHIFT));
}

TEST_F(KeyInputTest, AltMakesSystemKeys) {
    auto window = shownWindow({});
    headless::keyDown(VK_MENU);
    headless::pressKey(VK_F1 + 3);
    headless::keyUp(VK_MENU);
    pump();
    ASSERT_EQ(window->seen(WM_SYSKEYDOWN).size(), 2u);
    EXPECT_EQ(window->seen(WM_SYSKEYDOWN)[1].wParam, VK_F1 + 3u);
    EXPECT_NE(window->seen(WM_SYSKEYDOWN)[1].lParam & KF_ALTDOWN_BIT, 0);
    EXPECT_EQ(window->seen(WM_SYSKEYUP).size(), 2u);
    EXPECT_TRUE(window->seen(WM_KEYDOWN).empty());
}

using DragInputTest = WindowTest;

TEST_F(DragInputTest, DragsEnterMoveLeaveAndDropOnTheWindowUnderThePointer) {
    auto a = shownWindow({0, 0, 100, 100});
    auto b = shownWindow({200, 0, 100, 100});
    std::vector<std::pair<platform::WindowHandle, platform::DragPhase>> seen;
    Point lastPoint;
    auto previous = platform::setDragHandler([&](const platform::DragEvent& event) {
        seen.emplace_back(event.window, event.phase);
        lastPoint = event.client;
        return event.window == b->handle() && event.payload && !event.payload->files.empty();
    });
    platform::DragPayload files{{"/tmp/a.txt"}, u""};
    EXPECT_FALSE(headless::dragTo(files, Point{10, 10}));
    EXPECT_FALSE(headless::dragTo(files, Point{20, 10}));
    EXPECT_TRUE(headless::dragTo(files, Point{250, 30}));
    EXPECT_EQ(lastPoint, (Point{50, 30}));
    EXPECT_TRUE(headless::dragDrop());
    using P = platform::DragPhase;
    std::vector<std::pair<platform::WindowHandle, P>> expected = {{a->handle(), P::Enter},
                                                                  {a->handle(), P::Over},
                                                                  {a->handle(), P::Leave},
                                                                  {b->handle(), P::Enter},
                                                                  {b->handle(), P::Drop}};
    EXPECT_EQ(seen, expected);
    platform::setDragHandler(previous);
}

}  // namespace
}  // namespace tamlo::test
