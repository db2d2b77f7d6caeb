// Built into the Windows test program only (the window side exists there alone).
#ifdef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/dialog_answers.h"
#include "platform/win32/backend.h"
#include "platform/windowing/keyboard_state.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_queue.h"
#include "platform/windowing/native_window.h"
#include "platform/windowing/pointer_input.h"
#include "platform/windowing/window_registry.h"

#include "platform/win32/window_api.h"
// after windows.h
#include <commctrl.h>

// Real native windows through the engine's window services, under Wine or Windows.
namespace tamlo::test {
namespace {

using platform::WindowHandle;

struct Seen {
    uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// An engine window that records what its procedure gets.
class RecordingWindow {
  public:
    explicit RecordingWindow(Rect rect, uint32_t exStyle = 0, WindowHandle owner = 0) {
        platform::WindowCreation creation;
        creation.className = u"win32 backend test";
        creation.procedure = procedure;
        creation.userData = this;
        creation.classStyle = CS_DBLCLKS;
        creation.style = WS_POPUP;
        creation.exStyle = exStyle;
        creation.x = rect.left;
        creation.y = rect.top;
        creation.width = rect.width();
        creation.height = rect.height();
        creation.owner = owner;
        handle_ = platform::createWindow(creation);
    }
    ~RecordingWindow() {
        if (platform::isWindow(handle_)) {
            platform::destroyWindow(handle_);
        }
    }
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    WindowHandle handle() const { return handle_; }
    HWND hwnd() const {
        return static_cast<HWND>(platform::win32native::nativeWindowHandle(handle_));
    }
    std::vector<Seen> seen(uint32_t message) const {
        std::vector<Seen> out;
        for (const Seen& entry : messages_) {
            if (entry.message == message) {
                out.push_back(entry);
            }
        }
        return out;
    }

  private:
    static std::intptr_t procedure(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam) {
        if (auto* self = static_cast<RecordingWindow*>(platform::windowUserData(window))) {
            self->messages_.push_back({message, wParam, lParam});
            if (message == WM_PAINT) {
                platform::beginPaint(window);
            }
        }
        return platform::defWindowProc(window, message, wParam, lParam);
    }

    WindowHandle handle_ = 0;
    std::vector<Seen> messages_;
};

Rect nativeRect(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return Rect{rect.left, rect.top, rect.right, rect.bottom};
}

int16_t lowSigned(std::intptr_t value) {
    return static_cast<int16_t>(static_cast<uint32_t>(value) & 0xFFFF);
}

int16_t highSigned(std::intptr_t value) {
    return static_cast<int16_t>((static_cast<uint32_t>(value) >> 16) & 0xFFFF);
}

class Win32BackendWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* before = std::getenv("TAMLO_PLATFORM");
        previousPlatform_ = before ? before : "";
        platform::stopBackend();
        _putenv_s("TAMLO_PLATFORM", "win32");
        std::string error;
        ASSERT_NE(platform::startBackend(&error), nullptr) << error;
        ASSERT_EQ(platform::backend().name(), "win32");
        platform::createUiQueue(nullptr);
        platform::resetPointerInput();
        platform::resetKeyboardState();
    }
    void TearDown() override {
        platform::discardUiQueue();
        platform::stopBackend();
        _putenv_s("TAMLO_PLATFORM", previousPlatform_.c_str());
    }

    // Runs the engine's loop (and with it the native one) until `done` holds.
    bool pumpUntil(const std::function<bool()>& done, uint64_t limitMs = 5000) {
        auto& queue = platform::uiQueue();
        const uint64_t end = queue.now() + limitMs;
        while (!done()) {
            if (queue.now() > end) {
                return false;
            }
            platform::pumpPendingMessages();
            queue.pump().waitForEvent(queue.now() + 10);
        }
        return true;
    }

    void settle(uint64_t ms = 300) {
        auto& queue = platform::uiQueue();
        const uint64_t end = queue.now() + ms;
        pumpUntil([&] { return queue.now() > end; }, ms + 1000);
    }

    std::string previousPlatform_;
};

TEST_F(Win32BackendWindowTest, EveryEngineWindowIsANativePopupThatFollowsTheServices) {
    RecordingWindow window(Rect{120, 90, 320, 240}, WS_EX_TOPMOST);
    HWND hwnd = window.hwnd();
    ASSERT_NE(hwnd, nullptr);

    wchar_t className[64] = {};
    ASSERT_GT(GetClassNameW(hwnd, className, 64), 0);
    EXPECT_EQ(std::wstring(className), L"WINDOW:234:000");
    EXPECT_NE(GetClassLongPtrW(hwnd, GCL_STYLE) & CS_DBLCLKS, 0u);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
    EXPECT_NE(style & WS_POPUP, 0u);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME), 0u);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_NE(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(nativeRect(hwnd), (Rect{120, 90, 320, 240}));

    platform::showWindow(window.handle(), SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    platform::setWindowPos(window.handle(), 0, 300, 200, 100, 80, SWP_NOZORDER | SWP_NOACTIVATE);
    settle(100);
    EXPECT_EQ(nativeRect(hwnd), (Rect{300, 200, 400, 280}));
    EXPECT_EQ(platform::windowRect(window.handle()), (Rect{300, 200, 400, 280}));

    platform::setWindowText(window.handle(), u"tamlo native");
    wchar_t text[64] = {};
    GetWindowTextW(hwnd, text, 64);
    EXPECT_EQ(std::wstring(text), L"tamlo native");

    platform::setWindowClickThrough(window.handle(), true);
    EXPECT_NE(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);
    platform::setWindowClickThrough(window.handle(), false);
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);

    platform::RoundRegion region{Rect{0, 0, 100, 80}, 20, 20};
    platform::setWindowRegion(window.handle(), &region);
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(hwnd, shape), ERROR);
    EXPECT_FALSE(PtInRegion(shape, 0, 0));  // a cut corner
    EXPECT_TRUE(PtInRegion(shape, 50, 40));
    DeleteObject(shape);

    // A move made on the desktop's side reaches the services.
    SetWindowPos(hwnd, nullptr, 40, 60, 100, 80, SWP_NOZORDER | SWP_NOACTIVATE);
    settle(100);
    EXPECT_EQ(platform::windowRect(window.handle()), (Rect{40, 60, 140, 140}));
    ASSERT_FALSE(window.seen(WM_MOVE).empty());
    EXPECT_EQ(lowSigned(window.seen(WM_MOVE).back().lParam), 40);

    platform::destroyWindow(window.handle());
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(Win32BackendWindowTest, NativeClicksAndKeysReachTheEngineWindowAsItsMessages) {
    RecordingWindow window(Rect{200, 150, 360, 270});
    platform::showWindow(window.handle(), SW_SHOW);
    HWND hwnd = window.hwnd();
    ASSERT_NE(hwnd, nullptr);
    settle(100);

    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 40));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(31, 41));
    ASSERT_TRUE(pumpUntil([&] { return !window.seen(WM_LBUTTONUP).empty(); }));
    auto downs = window.seen(WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(lowSigned(downs[0].lParam), 30);
    EXPECT_EQ(highSigned(downs[0].lParam), 40);
    EXPECT_NE(downs[0].wParam & MK_LBUTTON, 0u);
    EXPECT_EQ(lowSigned(window.seen(WM_LBUTTONUP)[0].lParam), 31);
    EXPECT_EQ(platform::activeWindow(), window.handle());

    // A key keeps its scan code; the engine types its character once, and a native
    // WM_CHAR repeating it is dropped while one no US key types is delivered.
    SendMessageW(hwnd, WM_KEYDOWN, 'A', 0x001E0001);
    SendMessageW(hwnd, WM_CHAR, 'a', 0x001E0001);
    SendMessageW(hwnd, WM_KEYUP, 'A', static_cast<LPARAM>(0xC01E0001u));
    SendMessageW(hwnd, WM_CHAR, 0x00E4, 0);
    ASSERT_TRUE(pumpUntil([&] { return window.seen(WM_CHAR).size() >= 2; }));
    settle(100);
    auto keys = window.seen(WM_KEYDOWN);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].wParam, static_cast<std::uintptr_t>('A'));
    EXPECT_EQ((static_cast<uint32_t>(keys[0].lParam) >> 16) & 0xFF, 0x1Eu);
    auto chars = window.seen(WM_CHAR);
    ASSERT_EQ(chars.size(), 2u);
    EXPECT_EQ(chars[0].wParam, static_cast<std::uintptr_t>('a'));
    EXPECT_EQ(chars[1].wParam, 0x00E4u);
}

TEST_F(Win32BackendWindowTest, ALayeredWindowsPixelsReachTheScreen) {
    constexpr int kSize = 64;
    RecordingWindow window(Rect{50, 50, 50 + kSize, 50 + kSize}, WS_EX_LAYERED);
    std::vector<uint32_t> red(kSize * kSize, 0xFFFF0000u);
    platform::updateLayeredWindow(window.handle(), {red.data(), kSize, kSize, kSize * 4}, 255,
                                  true);
    platform::showWindow(window.handle(), SW_SHOWNA);
    ASSERT_NE(window.hwnd(), nullptr);
    EXPECT_NE(GetWindowLongPtrW(window.hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);

    HDC screen = GetDC(nullptr);
    auto pixelAt = [&](int x, int y) { return GetPixel(screen, x, y); };
    EXPECT_TRUE(pumpUntil([&] { return pixelAt(80, 80) == RGB(255, 0, 0); }, 3000))
        << std::hex << pixelAt(80, 80);

    std::vector<uint32_t> blue(kSize * kSize, 0xFF0000FFu);
    platform::updateLayeredWindow(window.handle(), {blue.data(), kSize, kSize, kSize * 4}, 255,
                                  true);
    EXPECT_TRUE(pumpUntil([&] { return pixelAt(80, 80) == RGB(0, 0, 255); }, 3000))
        << std::hex << pixelAt(80, 80);

    platform::showWindow(window.handle(), SW_HIDE);
    EXPECT_TRUE(pumpUntil([&] { return pixelAt(80, 80) != RGB(0, 0, 255); }, 3000));
    ReleaseDC(nullptr, screen);
}

// A dialog's shadow: layered, click-through and owned, so natively above the dialog. The
// dialog shows through it even on a desktop that does not compose (its middle is cut out),
// and an activation the desktop gives the shadow goes to the dialog.
TEST_F(Win32BackendWindowTest, AShadowOverItsDialogLeavesTheDialogShowingAndActive) {
    RecordingWindow dialog(Rect{420, 120, 520, 220});
    platform::showWindow(dialog.handle(), SW_SHOW);
    constexpr int kShadow = 140;
    RecordingWindow shadow(Rect{400, 100, 400 + kShadow, 100 + kShadow},
                           WS_EX_LAYERED | WS_EX_TRANSPARENT, dialog.handle());
    std::vector<uint32_t> red(kShadow * kShadow, 0xFFFF0000u);
    platform::updateLayeredWindow(shadow.handle(), {red.data(), kShadow, kShadow, kShadow * 4}, 255,
                                  true);
    platform::showWindow(shadow.handle(), SW_SHOWNA);
    ASSERT_NE(shadow.hwnd(), nullptr);
    EXPECT_NE(GetWindowLongPtrW(shadow.hwnd(), GWL_EXSTYLE) & WS_EX_NOACTIVATE, 0);

    HDC screen = GetDC(nullptr);
    auto pixelAt = [&](int x, int y) { return GetPixel(screen, x, y); };
    EXPECT_TRUE(pumpUntil([&] { return pixelAt(405, 105) == RGB(255, 0, 0); }, 3000))
        << "the shadow's rim " << std::hex << pixelAt(405, 105);
    settle();
    EXPECT_NE(pixelAt(470, 170), RGB(255, 0, 0)) << "the shadow covers its dialog";

    // The dialog moves: the cut follows it.
    platform::setWindowPos(dialog.handle(), 0, 410, 110, 100, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(pumpUntil([&] { return pixelAt(515, 215) == RGB(255, 0, 0); }, 3000))
        << "uncovered when the dialog left " << std::hex << pixelAt(515, 215);
    EXPECT_TRUE(pumpUntil([&] { return pixelAt(412, 112) != RGB(255, 0, 0); }, 3000))
        << "the shadow covers its dialog where it went";
    ReleaseDC(nullptr, screen);

    SetActiveWindow(shadow.hwnd());
    EXPECT_TRUE(pumpUntil([&] { return platform::activeWindow() == dialog.handle(); }, 3000))
        << "active: " << platform::activeWindow();
    EXPECT_EQ(GetActiveWindow(), dialog.hwnd());
    EXPECT_EQ(GetFocus(), dialog.hwnd());
}

// An engine tooltip is the system's tracking tooltip, owned by the window it explains.
TEST_F(Win32BackendWindowTest, TooltipsAreTheSystemsTrackingTooltips) {
    RecordingWindow owner(Rect{100, 100, 300, 250});
    platform::showWindow(owner.handle(), SW_SHOW);
    const WindowHandle tooltip = platform::createTooltipWindow(owner.handle());
    ASSERT_NE(tooltip, 0u);
    ASSERT_TRUE(platform::setTooltipText(tooltip, u"\u63D0\u793A & more"));
    ASSERT_TRUE(platform::showTooltipAt(tooltip, Point{180, 300}));
    auto hwnd = static_cast<HWND>(platform::win32native::nativeWindowHandle(tooltip));
    ASSERT_NE(hwnd, nullptr);
    wchar_t className[64] = {};
    GetClassNameW(hwnd, className, 64);
    EXPECT_STREQ(className, L"tooltips_class32");
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), owner.hwnd());
    EXPECT_TRUE(pumpUntil([&] { return IsWindowVisible(hwnd) != FALSE; }, 3000));
    const Rect shown = nativeRect(hwnd);
    // Where the engine said, give or take the control's own frame.
    EXPECT_NEAR(shown.left, 180, 2);
    EXPECT_NEAR(shown.top, 300, 2);
    EXPECT_GT(shown.width(), 0);

    wchar_t text[64] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = owner.hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd);
    tool.lpszText = text;
    SendMessageW(hwnd, TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, L"\u63D0\u793A & more");  // no prefix: the & stays

    ASSERT_TRUE(platform::hideTooltip(tooltip));
    EXPECT_TRUE(pumpUntil([&] { return IsWindowVisible(hwnd) == FALSE; }, 3000));
    platform::destroyWindow(tooltip);
    EXPECT_FALSE(IsWindow(hwnd));
}

// The engine's timer closes the box with Enter: the box ends with its default button, and
// the engine's queue ran while the native box was open.
HWND findBox() {
    return FindWindowW(L"#32770", L"tamlo box");
}

void pressEnterOnBox(WindowHandle, uint32_t, std::uintptr_t, uint64_t) {
    if (HWND box = findBox()) {
        PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
    }
}

// Only if the engine never ran: ends the box with an answer no button gives.
void CALLBACK giveUpOnBox(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND box = findBox()) {
        EndDialog(box, 999);
    }
}

TEST_F(Win32BackendWindowTest, AMessageBoxAnswersItsDefaultButtonWhileTheEngineRuns) {
    RecordingWindow owner(Rect{100, 100, 300, 250});
    platform::showWindow(owner.handle(), SW_SHOW);
    settle(100);
    ASSERT_NE(platform::setTimer(0, 0, 200, pressEnterOnBox), 0u);
    const UINT_PTR fallback = SetTimer(nullptr, 0, 8000, giveUpOnBox);
    const int answer = platform::backend().messageBox(owner.handle(), u"Continue?", u"tamlo box",
                                                      MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    KillTimer(nullptr, fallback);
    EXPECT_EQ(answer, IDNO);
    EXPECT_EQ(findBox(), nullptr);
}

// Only if a real dialog opened after all: ends it, so the test fails instead of hanging.
void CALLBACK closeAnyDialog(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND dialog = FindWindowW(L"#32770", nullptr)) {
        EndDialog(dialog, 999);
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    }
}

// A step-driven run answers the dialogs itself: the backend takes the answer and shows no
// window, as a step file's answers expect on every desktop.
TEST_F(Win32BackendWindowTest, AnsweredDialogsOpenNoWindow) {
    std::vector<platform::MessageBoxRequest> boxes;
    platform::setMessageBoxResponder([&](const platform::MessageBoxRequest& request) {
        boxes.push_back(request);
        return IDYES;
    });
    platform::setFolderPickerResponder(
        [](const platform::FolderPickerRequest&) -> std::optional<std::u16string> {
            return u"C:\\Apps";
        });
    const UINT_PTR fallback = SetTimer(nullptr, 0, 3000, closeAnyDialog);
    const int answer =
        platform::backend().messageBox(0, u"Continue?", u"tamlo box", MB_YESNO | MB_DEFBUTTON2);
    std::u16string folder;
    const bool chosen = platform::backend().browseForFolder(0, u"Where?", folder);
    KillTimer(nullptr, fallback);
    platform::setMessageBoxResponder(nullptr);
    platform::setFolderPickerResponder(nullptr);

    EXPECT_EQ(answer, IDYES);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, u"tamlo box");
    EXPECT_TRUE(chosen);
    EXPECT_EQ(folder, u"C:\\Apps");
}

}  // namespace
}  // namespace tamlo::test

#endif  // _WIN32
