#include <algorithm>

#include "platform/desktop.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/window_state.h"
#include "window_test_support.h"

namespace tamlo::test {
namespace {

using namespace tamlo::win32;
using platform::Point;
using platform::Rect;
using platform::WindowHandle;

using WindowBoundsTest = WindowTest;

TEST_F(WindowBoundsTest, MoveAndResizeSendMoveThenSizeWithPackedCoordinates) {
    TestWindow window({10, 20, 100, 50});
    window.clear();
    ASSERT_TRUE(platform::setWindowPos(window.handle(), 0, -30, 40, 300, 200,
                                       SWP_NOZORDER | SWP_NOACTIVATE));
    ASSERT_EQ(window.numbers(), (std::vector<uint32_t>{WM_MOVE, WM_SIZE}));
    EXPECT_EQ(lParamX(window.messages[0].lParam), -30);
    EXPECT_EQ(lParamY(window.messages[0].lParam), 40);
    EXPECT_EQ(window.messages[1].wParam, SIZE_RESTORED);
    EXPECT_EQ(window.messages[1].lParam, platform::makeLParam(300, 200));
    EXPECT_EQ(platform::windowRect(window.handle()), (Rect{-30, 40, 270, 240}));
    EXPECT_EQ(platform::clientRect(window.handle()), (Rect{0, 0, 300, 200}));
    EXPECT_EQ(platform::clientToScreen(window.handle(), Point{5, 6}), (Point{-25, 46}));
}

TEST_F(WindowBoundsTest, FlagsKeepWhatTheyNameAndNoChangeSendsNothing) {
    TestWindow window({10, 20, 100, 50});
    window.clear();
    platform::setWindowPos(window.handle(), 0, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(window.numbers(), (std::vector<uint32_t>{WM_SIZE}));
    EXPECT_EQ(platform::windowRect(window.handle()), (Rect{10, 20, 410, 320}));
    window.clear();
    platform::setWindowPos(window.handle(), 0, 7, 8, 1, 1, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(window.numbers(), (std::vector<uint32_t>{WM_MOVE}));
    window.clear();
    platform::setWindowPos(window.handle(), 0, 7, 8, 400, 300, SWP_NOZORDER);
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(WindowBoundsTest, NativePartExistsBeforeCreateAndVisibleStyleShowsAfterIt) {
    Rect seenInCreate;
    std::vector<uint32_t> order;
    struct Probe {
        Rect* rect;
        std::vector<uint32_t>* order;
    } probe{&seenInCreate, &order};
    platform::WindowCreation creation;
    creation.className = u"probe";
    creation.userData = &probe;
    creation.style = WS_POPUP | WS_VISIBLE;
    creation.x = 3;
    creation.y = 4;
    creation.width = 50;
    creation.height = 60;
    creation.procedure = [](WindowHandle window, uint32_t message, std::uintptr_t,
                            std::intptr_t lParam) -> std::intptr_t {
        auto* p =
            message == WM_CREATE
                ? static_cast<Probe*>(reinterpret_cast<platform::WindowCreation*>(lParam)->userData)
                : static_cast<Probe*>(platform::windowUserData(window));
        if (p == nullptr) {
            return 0;
        }
        if (message == WM_CREATE) {
            *p->rect = platform::windowRect(window);
            EXPECT_FALSE(platform::isWindowVisible(window));
        }
        p->order->push_back(message);
        return 0;
    };
    WindowHandle window = platform::createWindow(creation);
    ASSERT_NE(window, 0u);
    EXPECT_EQ(seenInCreate, (Rect{3, 4, 53, 64}));
    EXPECT_TRUE(platform::isWindowVisible(window));
    ASSERT_GE(order.size(), 2u);
    EXPECT_EQ(order[0], WM_CREATE);
    EXPECT_EQ(order[1], WM_SHOWWINDOW);
    platform::destroyWindow(window);
}

using WindowActivationTest = WindowTest;

TEST_F(WindowActivationTest, ShowingActivatesAndFocusFollowsInWin32Order) {
    auto first = shownWindow({});
    ASSERT_EQ(platform::activeWindow(), first->handle());
    ASSERT_EQ(platform::focusWindow(), first->handle());

    TestWindow second({});
    std::vector<std::pair<WindowHandle, uint32_t>> order;
    first->onMessage = [&](TestWindow& w, uint32_t m) { order.emplace_back(w.handle(), m); };
    second.onMessage = first->onMessage;
    EXPECT_FALSE(platform::showWindow(second.handle(), SW_SHOWNORMAL));

    auto relevant = order;
    relevant.erase(std::remove_if(relevant.begin(), relevant.end(),
                                  [](auto& e) { return e.second == WM_PAINT; }),
                   relevant.end());
    std::vector<std::pair<WindowHandle, uint32_t>> expected = {{second.handle(), WM_SHOWWINDOW},
                                                               {first->handle(), WM_ACTIVATE},
                                                               {second.handle(), WM_ACTIVATE},
                                                               {first->handle(), WM_KILLFOCUS},
                                                               {second.handle(), WM_SETFOCUS}};
    EXPECT_EQ(relevant, expected);
    EXPECT_EQ(first->seen(WM_ACTIVATE)[0].wParam, WA_INACTIVE);
    EXPECT_EQ(first->seen(WM_ACTIVATE)[0].lParam, static_cast<std::intptr_t>(second.handle()));
    EXPECT_EQ(second.seen(WM_ACTIVATE)[0].wParam, WA_ACTIVE);
    EXPECT_EQ(second.seen(WM_ACTIVATE)[0].lParam, static_cast<std::intptr_t>(first->handle()));
    EXPECT_EQ(first->seen(WM_KILLFOCUS)[0].wParam, second.handle());
    EXPECT_EQ(second.seen(WM_SETFOCUS)[0].wParam, first->handle());
    // Showing a shown window again changes nothing and reports it was visible.
    second.clear();
    EXPECT_TRUE(platform::showWindow(second.handle(), SW_SHOW));
    EXPECT_TRUE(second.seen(WM_SHOWWINDOW).empty());
    first->onMessage = nullptr;
    second.onMessage = nullptr;
}

TEST_F(WindowActivationTest, NoActivateShowLeavesActivationAlone) {
    auto main = shownWindow({});
    TestWindow shadow(
        {0, 0, 10, 10, 0, WS_POPUP, WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW, main->handle()});
    platform::showWindow(shadow.handle(), SW_SHOWNOACTIVATE);
    EXPECT_TRUE(platform::isWindowVisible(shadow.handle()));
    EXPECT_EQ(platform::activeWindow(), main->handle());
    EXPECT_TRUE(main->seen(WM_ACTIVATE).empty());
}

TEST_F(WindowActivationTest, HidingTheActiveWindowActivatesItsOwner) {
    auto owner = shownWindow({});
    TestWindow dialog({0, 0, 10, 10, 0, WS_POPUP, 0, owner->handle()});
    platform::showWindow(dialog.handle(), SW_SHOW);
    ASSERT_EQ(platform::activeWindow(), dialog.handle());
    owner->clear();
    platform::showWindow(dialog.handle(), SW_HIDE);
    EXPECT_EQ(platform::activeWindow(), owner->handle());
    EXPECT_EQ(platform::focusWindow(), owner->handle());
    ASSERT_EQ(owner->seen(WM_ACTIVATE).size(), 1u);
    EXPECT_EQ(owner->seen(WM_ACTIVATE)[0].wParam, WA_ACTIVE);
}

TEST_F(WindowActivationTest, DisabledWindowsTakeNeitherActivationNorFocus) {
    auto window = shownWindow({});
    platform::setActiveWindow(0);
    window->clear();
    EXPECT_FALSE(platform::enableWindow(window->handle(), false));
    EXPECT_EQ(window->seen(WM_ENABLE).size(), 1u);
    EXPECT_EQ(platform::setActiveWindow(window->handle()), 0u);
    EXPECT_EQ(platform::activeWindow(), 0u);
    EXPECT_EQ(platform::setFocus(window->handle()), 0u);
    EXPECT_EQ(platform::focusWindow(), 0u);
    EXPECT_TRUE(platform::enableWindow(window->handle(), true));
}

TEST_F(WindowActivationTest, CaptureChangesTellTheWindowThatLosesIt) {
    TestWindow a({});
    TestWindow b({});
    a.clear();
    b.clear();
    EXPECT_EQ(platform::setCapture(a.handle()), 0u);
    EXPECT_TRUE(a.seen(WM_CAPTURECHANGED).empty());
    EXPECT_EQ(platform::setCapture(b.handle()), a.handle());
    ASSERT_EQ(a.seen(WM_CAPTURECHANGED).size(), 1u);
    EXPECT_EQ(a.seen(WM_CAPTURECHANGED)[0].lParam, static_cast<std::intptr_t>(b.handle()));
    EXPECT_TRUE(platform::releaseCapture());
    ASSERT_EQ(b.seen(WM_CAPTURECHANGED).size(), 1u);
    EXPECT_EQ(b.seen(WM_CAPTURECHANGED)[0].lParam, 0);
    EXPECT_EQ(platform::captureWindow(), 0u);
}

TEST_F(WindowActivationTest, DestroyingAWindowClearsCaptureFocusAndItsTooltip) {
    auto window = std::make_unique<TestWindow>(TestWindow::Options{});
    platform::showWindow(window->handle(), SW_SHOW);
    platform::setCapture(window->handle());
    WindowHandle tooltip = platform::createTooltipWindow(window->handle());
    ASSERT_NE(tooltip, 0u);
    WindowHandle handle = window->handle();
    window.reset();
    EXPECT_EQ(platform::captureWindow(), 0u);
    EXPECT_EQ(platform::focusWindow(), 0u);
    EXPECT_EQ(platform::activeWindow(), 0u);
    EXPECT_FALSE(platform::isWindow(tooltip));
    auto order = platform::windowsInZOrder();
    EXPECT_EQ(std::count(order.begin(), order.end(), handle), 0);
    EXPECT_FALSE(platform::isWindowVisible(handle));
}

using WindowZOrderTest = WindowTest;

TEST_F(WindowZOrderTest, OwnedWindowsStayAboveTheirOwnerAndTopmostAboveAll) {
    TestWindow topmost({0, 0, 10, 10, 0, WS_POPUP, WS_EX_TOPMOST});
    TestWindow owner({});
    TestWindow owned({0, 0, 10, 10, 0, WS_POPUP, 0, owner.handle()});
    TestWindow other({});
    auto order = platform::windowsInZOrder();
    auto position = [&](WindowHandle h) {
        return std::find(order.begin(), order.end(), h) - order.begin();
    };
    EXPECT_LT(position(topmost.handle()), position(other.handle()));
    EXPECT_LT(position(other.handle()), position(owner.handle()));

    platform::setWindowPos(owner.handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    order = platform::windowsInZOrder();
    EXPECT_EQ(position(topmost.handle()), 0);
    EXPECT_EQ(position(owned.handle()) + 1, position(owner.handle()));
    EXPECT_LT(position(owner.handle()), position(other.handle()));

    platform::setWindowPos(owner.handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    order = platform::windowsInZOrder();
    EXPECT_EQ(order.back(), owner.handle());
}

TEST_F(WindowZOrderTest, PointerHitsTheTopWindowPassingClickThroughHiddenAndCutCorners) {
    auto below = shownWindow({100, 100, 200, 200});
    auto above = shownWindow({150, 150, 50, 50});
    EXPECT_EQ(platform::windowFromPoint({160, 160}), above->handle());
    EXPECT_EQ(platform::windowFromPoint({120, 120}), below->handle());
    // Outside both (a window an earlier test in this process left elsewhere may be hit).
    EXPECT_NE(platform::windowFromPoint({99, 120}), below->handle());
    EXPECT_NE(platform::windowFromPoint({99, 120}), above->handle());

    platform::setWindowClickThrough(above->handle(), true);
    EXPECT_EQ(platform::windowFromPoint({160, 160}), below->handle());
    platform::setWindowClickThrough(above->handle(), false);
    platform::showWindow(above->handle(), SW_HIDE);
    EXPECT_EQ(platform::windowFromPoint({160, 160}), below->handle());

    platform::RoundRegion region{{0, 0, 201, 201}, 40, 40};
    platform::setWindowRegion(below->handle(), &region);
    EXPECT_NE(platform::windowFromPoint({101, 101}), below->handle());  // the cut corner
    EXPECT_EQ(platform::windowFromPoint({200, 101}), below->handle());
    EXPECT_EQ(platform::windowFromPoint({100, 200}), below->handle());

    TestWindow transparent({100, 100, 200, 200, 0, WS_POPUP, WS_EX_TRANSPARENT});
    platform::showWindow(transparent.handle(), SW_SHOWNOACTIVATE);
    EXPECT_EQ(platform::windowFromPoint({200, 200}), below->handle());
}

TEST_F(WindowZOrderTest, AnEventWindowKeepsThePointerInsideItsShapeEvenUnderAnother) {
    auto below = shownWindow({100, 100, 200, 200});
    auto above = shownWindow({150, 150, 50, 50});
    // A grab sends the events to `below`: a point inside it stays its own...
    EXPECT_EQ(platform::windowUnderPointer(below->handle(), {160, 160}), below->handle());
    // ...one outside it is whatever lies there.
    EXPECT_EQ(platform::windowUnderPointer(above->handle(), {120, 120}), below->handle());
    platform::RoundRegion region{{0, 0, 201, 201}, 40, 40};
    platform::setWindowRegion(below->handle(), &region);
    EXPECT_NE(platform::windowUnderPointer(below->handle(), {101, 101}), below->handle());
    platform::setWindowClickThrough(above->handle(), true);
    EXPECT_EQ(platform::windowUnderPointer(above->handle(), {160, 160}), below->handle());
}

TEST_F(WindowActivationTest, TheDesktopActivatesDeactivatesAndAsksToClose) {
    auto first = shownWindow({});
    auto second = shownWindow({});
    ASSERT_EQ(platform::activeWindow(), second->handle());
    first->clear();
    platform::desktopActivated(first->handle(), true);
    EXPECT_EQ(platform::activeWindow(), first->handle());
    ASSERT_FALSE(first->seen(WM_ACTIVATE).empty());
    EXPECT_EQ(first->seen(WM_ACTIVATE).back().wParam, WA_CLICKACTIVE);
    first->clear();
    platform::desktopActivated(first->handle());  // already active: nothing sent
    EXPECT_TRUE(first->seen(WM_ACTIVATE).empty());

    platform::desktopDeactivated();
    EXPECT_EQ(platform::activeWindow(), 0u);
    EXPECT_EQ(first->seen(WM_ACTIVATE).back().wParam, WA_INACTIVE);

    platform::desktopCloseRequested(second->handle());
    platform::pumpPendingMessages();
    ASSERT_FALSE(second->seen(WM_SYSCOMMAND).empty());
    EXPECT_EQ(second->seen(WM_SYSCOMMAND).back().wParam, SC_CLOSE);
}

TEST(WindowRegionGeometry, RoundedRowsAreSymmetricAndSquareWithoutEllipse) {
    platform::RoundRegion region{{0, 0, 101, 61}, 20, 20};
    auto top = platform::roundRegionRowSpan(region, 0);
    auto middle = platform::roundRegionRowSpan(region, 30);
    auto bottom = platform::roundRegionRowSpan(region, 60);
    EXPECT_GT(top.first, 0);
    EXPECT_EQ(top.first, 101 - top.second);
    EXPECT_EQ(top, bottom);
    EXPECT_EQ(middle, (std::pair<int, int>{0, 101}));
    // Rows move outwards monotonically towards the middle.
    for (int row = 1; row <= 10; ++row) {
        EXPECT_LE(platform::roundRegionRowSpan(region, row).first,
                  platform::roundRegionRowSpan(region, row - 1).first);
    }
    EXPECT_EQ(platform::roundRegionRowSpan(region, 61), (std::pair<int, int>{0, 0}));
    EXPECT_EQ(platform::roundRegionRowSpan(region, -1), (std::pair<int, int>{0, 0}));
    platform::RoundRegion square{{0, 0, 10, 10}, 0, 0};
    EXPECT_EQ(platform::roundRegionRowSpan(square, 0), (std::pair<int, int>{0, 10}));
}

TEST(WindowSlideGeometry, BandsGrowFromTheEdgeTheContentsSlideOutOf) {
    using platform::slideReveal;
    // Down from the top edge: the band grows downward and shows the contents' bottom rows.
    auto down = slideReveal(200, 148, 25, 100, AW_SLIDE | AW_VER_POSITIVE);
    EXPECT_EQ(down.visible, (Rect{0, 0, 200, 37}));
    EXPECT_EQ(down.contentOffset, (Point{0, -111}));
    // Up from the bottom edge: the band grows upward and shows the contents' top rows.
    auto up = slideReveal(200, 76, 50, 100, AW_SLIDE | AW_VER_NEGATIVE);
    EXPECT_EQ(up.visible, (Rect{0, 38, 200, 76}));
    EXPECT_EQ(up.contentOffset, (Point{0, 38}));
    // Nothing before the start, all of it at and after the end, and no overflow on a
    // long elapsed time.
    EXPECT_EQ(slideReveal(200, 76, 0, 100, AW_VER_POSITIVE).visible.height(), 0);
    for (uint64_t late : {uint64_t{100}, uint64_t{1} << 62}) {
        auto done = slideReveal(200, 76, late, 100, AW_VER_NEGATIVE);
        EXPECT_EQ(done.visible, (Rect{0, 0, 200, 76}));
        EXPECT_EQ(done.contentOffset, (Point{0, 0}));
    }
    // The band only ever grows.
    int last = -1;
    for (uint64_t t = 0; t <= 100; t += 7) {
        const int height = slideReveal(50, 148, t, 100, AW_VER_POSITIVE).visible.height();
        EXPECT_GE(height, last);
        last = height;
    }
}

TEST_F(WindowActivationTest, AnimatedShowWithoutFramesShowsAndActivatesAtOnce) {
    TestWindow popup({10, 10, 200, 76});
    ASSERT_TRUE(
        platform::animateWindow(popup.handle(), 100, AW_SLIDE | AW_ACTIVATE | AW_VER_POSITIVE));
    EXPECT_TRUE(platform::isWindowVisible(popup.handle()));
    EXPECT_EQ(platform::activeWindow(), popup.handle());
    EXPECT_FALSE(platform::nativeWindowState(popup.handle())->reveal.has_value());
    // Like AnimateWindow, showing a window that is already shown fails.
    EXPECT_FALSE(platform::animateWindow(popup.handle(), 100, AW_SLIDE | AW_VER_POSITIVE));
    TestWindow quiet({10, 10, 20, 20});
    ASSERT_TRUE(platform::animateWindow(quiet.handle(), 100, AW_SLIDE | AW_VER_NEGATIVE));
    EXPECT_EQ(platform::activeWindow(), popup.handle());  // no AW_ACTIVATE
}

using WindowPaintTest = WindowTest;

TEST_F(WindowPaintTest, InvalidationsCoalesceIntoOnePaintOfTheirUnion) {
    auto window = shownWindow({0, 0, 100, 100});
    Rect a{10, 10, 20, 20};
    Rect b{50, 60, 70, 80};
    platform::invalidateRect(window->handle(), &a);
    platform::invalidateRect(window->handle(), &b);
    pump();
    EXPECT_EQ(window->seen(WM_PAINT).size(), 1u);
    EXPECT_EQ(window->lastPaint, (Rect{10, 10, 70, 80}));
    EXPECT_TRUE(platform::beginPaint(window->handle()).isEmpty());
}

TEST_F(WindowPaintTest, HiddenWindowsPaintWhenShownAndLayeredOnesNever) {
    TestWindow hidden({0, 0, 30, 30});
    platform::invalidateRect(hidden.handle(), nullptr);
    pump();
    EXPECT_TRUE(hidden.seen(WM_PAINT).empty());
    platform::showWindow(hidden.handle(), SW_SHOW);
    pump();
    EXPECT_EQ(hidden.seen(WM_PAINT).size(), 1u);

    TestWindow layered({0, 0, 30, 30, 0, WS_POPUP, WS_EX_LAYERED});
    platform::showWindow(layered.handle(), SW_SHOW);
    platform::invalidateRect(layered.handle(), nullptr);
    pump();
    EXPECT_TRUE(layered.seen(WM_PAINT).empty());
}

TEST_F(WindowPaintTest, BlitsAndLayeredUpdatesHonourStrideAndClipping) {
    TestWindow window({0, 0, 4, 3});
    // A 6-pixel-wide buffer with 8 pixels per row: the stride must be used.
    std::vector<uint32_t> buffer(8 * 3, 0);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 6; ++x) {
            buffer[y * 8 + x] = 0xFF000000u | static_cast<uint32_t>(y * 16 + x);
        }
    }
    platform::PixelView view{buffer.data(), 6, 3, 8 * 4};
    ASSERT_TRUE(platform::blitToWindow(window.handle(), view, Rect{1, 1, 100, 100}));
    platform::WindowPixels shown;
    ASSERT_TRUE(platform::copyWindowPixels(window.handle(), shown));
    ASSERT_EQ(shown.width, 4);
    ASSERT_EQ(shown.height, 3);
    EXPECT_EQ(shown.pixels[0], 0u);  // outside the blitted area
    EXPECT_EQ(shown.pixels[1 * 4 + 1], 0xFF000011u);
    EXPECT_EQ(shown.pixels[2 * 4 + 3], 0xFF000023u);

    EXPECT_FALSE(platform::updateLayeredWindow(window.handle(), view, 255, true));
    platform::setWindowExStyle(window.handle(), WS_EX_LAYERED);
    ASSERT_TRUE(platform::updateLayeredWindow(window.handle(), view, 200, true));
    platform::copyWindowPixels(window.handle(), shown);
    EXPECT_EQ(shown.pixels[0], 0xFF000000u);
    EXPECT_EQ(shown.pixels[2 * 4 + 3], 0xFF000023u);
    EXPECT_EQ(platform::windowConstantAlpha(window.handle()), 200);

    platform::PixelView broken{buffer.data(), 6, 3, 4};  // stride shorter than a row
    EXPECT_TRUE(platform::blitToWindow(window.handle(), broken, Rect{0, 0, 4, 3}));
}

TEST_F(WindowPaintTest, TooltipsAreTopmostClickThroughAndNeverActivate) {
    auto owner = shownWindow({0, 0, 300, 300});
    WindowHandle tip = platform::createTooltipWindow(owner->handle());
    ASSERT_TRUE(platform::setTooltipText(tip, u"提示文字"));
    ASSERT_TRUE(platform::showTooltipAt(tip, Point{40, 50}));
    EXPECT_TRUE(platform::isWindowVisible(tip));
    EXPECT_EQ(platform::activeWindow(), owner->handle());
    EXPECT_EQ(platform::windowRect(tip).left, 40);
    EXPECT_EQ(platform::windowsInZOrder().front(), tip);
    EXPECT_EQ(platform::windowFromPoint({45, 55}), owner->handle());
    EXPECT_EQ(platform::tooltipText(tip), u"提示文字");
    ASSERT_TRUE(platform::hideTooltip(tip));
    EXPECT_FALSE(platform::isWindowVisible(tip));
    EXPECT_FALSE(platform::setTooltipText(owner->handle(), u"x"));
}

}  // namespace
}  // namespace tamlo::test
