#ifdef TAMLO_HAVE_GTK

#include <cstdlib>
#include <functional>
#include <string>

#include "platform/backend.h"
#include "platform/headless/screenshot.h"
#include "platform/windowing/messages.h"
#include "support/test_environment.h"
#include "window_test_support.h"

// Real GTK windows driven by xdotool. Run by tests/e2e/gtk_smoke.sh under Xvfb; skipped
// elsewhere so the suite never opens windows on a developer's desktop.
namespace tamlo::test {
namespace {

using namespace tamlo::win32;
using platform::Point;

class GtkSmokeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* wanted = std::getenv("TAMLO_GTK_SMOKE");
        if (wanted == nullptr || std::string(wanted) != "1") {
            GTEST_SKIP() << "set TAMLO_GTK_SMOKE=1 under a display to run";
        }
        platform::stopBackend();
        setenv("TAMLO_PLATFORM", "gtk", 1);
        std::string error;
        ASSERT_NE(platform::startBackend(&error), nullptr) << error;
        platform::createUiQueue(nullptr);
        platform::resetPointerInput();
        platform::resetKeyboardState();
    }
    void TearDown() override {
        platform::discardUiQueue();
        platform::stopBackend();
        setenv("TAMLO_PLATFORM", "headless", 1);
    }

    // Runs the loop until `done` holds; false when the desktop never delivered.
    bool pumpUntil(const std::function<bool()>& done) {
        auto& queue = platform::uiQueue();
        uint64_t end = queue.now() + 10000;
        while (!done()) {
            if (queue.now() > end) {
                return false;
            }
            platform::pumpPendingMessages();
            queue.pump().waitForEvent(queue.now() + 20);
        }
        return true;
    }

    void settle() {
        auto& queue = platform::uiQueue();
        uint64_t end = queue.now() + 300;
        pumpUntil([&] { return queue.now() > end; });
    }

    void xdotool(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv = {"xdotool"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        CommandResult result = runCommand(argv);
        ASSERT_EQ(result.exitCode, 0) << result.err;
    }
};

TEST_F(GtkSmokeTest, ARealWindowShowsItsPixelsAndTurnsDesktopInputIntoMessages) {
    TestWindow window({100, 100, 200, 150, CS_DBLCLKS});
    platform::setWindowText(window.handle(), u"tamlo smoke");
    std::vector<uint32_t> red(200 * 150, 0xFFFF0000u);
    platform::blitToWindow(window.handle(), {red.data(), 200, 150, 800}, {0, 0, 200, 150});
    platform::showWindow(window.handle(), SW_SHOW);
    settle();

    xdotool({"mousemove", "150", "160"});
    ASSERT_TRUE(pumpUntil([&] { return !window.seen(WM_MOUSEMOVE).empty(); }));
    auto move = window.seen(WM_MOUSEMOVE).back();
    EXPECT_EQ(lParamX(move.lParam), 50);
    EXPECT_EQ(lParamY(move.lParam), 60);
    EXPECT_FALSE(window.seen(WM_SETCURSOR).empty());

    xdotool({"click", "1"});
    ASSERT_TRUE(pumpUntil([&] { return !window.seen(WM_LBUTTONUP).empty(); }));
    EXPECT_EQ(window.seen(WM_LBUTTONDOWN).front().lParam, platform::makeLParam(50, 60));
    EXPECT_EQ(window.seen(WM_LBUTTONDOWN).front().wParam, MK_LBUTTON);

    xdotool({"key", "a"});
    ASSERT_TRUE(pumpUntil([&] { return !window.seen(WM_CHAR).empty(); }));
    EXPECT_EQ(window.seen(WM_KEYDOWN).front().wParam, uint32_t{'A'});
    EXPECT_EQ(window.seen(WM_CHAR).front().wParam, uint32_t{'a'});

    // What the desktop shows at the pointer is the window's red.
    CommandResult pixel =
        runCommand({"import", "-window", "root", "-crop", "1x1+150+160", "-depth", "8", "txt:-"});
    ASSERT_EQ(pixel.exitCode, 0) << pixel.err;
    EXPECT_NE(pixel.out.find("#FF0000"), std::string::npos) << pixel.out;

    // A click-through layered window on top lets the click reach the window below.
    TestWindow overlay({100, 100, 200, 150, 0, WS_POPUP, WS_EX_LAYERED | WS_EX_TRANSPARENT});
    std::vector<uint32_t> faint(200 * 150, 0x20000000u);
    platform::updateLayeredWindow(overlay.handle(), {faint.data(), 200, 150, 800}, 255, true);
    platform::showWindow(overlay.handle(), SW_SHOWNOACTIVATE);
    settle();
    window.clear();
    xdotool({"click", "1"});
    ASSERT_TRUE(pumpUntil([&] { return !window.seen(WM_LBUTTONUP).empty(); }));
    EXPECT_TRUE(overlay.seen(WM_LBUTTONDOWN).empty());
}

TEST_F(GtkSmokeTest, CaptureKeepsTheReleaseOutsideTheWindow) {
    TestWindow window({100, 100, 100, 100});
    platform::showWindow(window.handle(), SW_SHOW);
    settle();
    xdotool({"mousemove", "150", "150"});
    xdotool({"mousedown", "1"});
    ASSERT_TRUE(pumpUntil([&] { return !window.seen(WM_LBUTTONDOWN).empty(); }));
    platform::setCapture(window.handle());
    settle();
    xdotool({"mousemove", "400", "420"});
    xdotool({"mouseup", "1"});
    ASSERT_TRUE(pumpUntil([&] { return !window.seen(WM_LBUTTONUP).empty(); }));
    auto up = window.seen(WM_LBUTTONUP).front();
    EXPECT_EQ(lParamX(up.lParam), 300);
    EXPECT_EQ(lParamY(up.lParam), 320);
    platform::releaseCapture();
}

}  // namespace
}  // namespace tamlo::test

#endif  // TAMLO_HAVE_GTK
