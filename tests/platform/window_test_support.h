#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/windowing/keyboard_state.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_pump.h"
#include "platform/windowing/native_window.h"
#include "platform/windowing/pointer_input.h"
#include "platform/windowing/window_registry.h"

namespace tamlo::test {

struct SeenMessage {
    uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// A window that records every message its procedure gets; `answer` is returned for the
// message numbers it names (WM_SETCURSOR handled, for instance).
class TestWindow {
  public:
    struct Options {
        int x = 0;
        int y = 0;
        int width = 100;
        int height = 100;
        uint32_t classStyle = 0;
        uint32_t style = win32::WS_POPUP;
        uint32_t exStyle = 0;
        platform::WindowHandle owner = 0;
    };

    explicit TestWindow(const Options& options);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    platform::WindowHandle handle() const { return handle_; }
    std::vector<uint32_t> numbers() const;
    // The messages with this number, in order.
    std::vector<SeenMessage> seen(uint32_t message) const;
    void clear() { messages.clear(); }

    std::vector<SeenMessage> messages;
    platform::Rect lastPaint;  // each WM_PAINT is validated, as the default handling does
    uint32_t answeredMessage = 0;
    std::intptr_t answer = 0;
    std::function<void(TestWindow&, uint32_t)> onMessage;

  private:
    static std::intptr_t procedure(platform::WindowHandle window, uint32_t message,
                                   std::uintptr_t wParam, std::intptr_t lParam);
    platform::WindowHandle handle_ = 0;
};

// A fresh queue on virtual time, default metrics and no input state for every test.
class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Dispatches everything waiting.
    void pump() { platform::pumpPendingMessages(); }
    void advance(uint64_t milliseconds) {
        clock->advance(milliseconds);
        pump();
    }
    std::unique_ptr<TestWindow> shownWindow(TestWindow::Options options);

    platform::ConditionPump* clock = nullptr;
};

// Low and high words of a mouse lParam as signed client coordinates.
inline int lParamX(std::intptr_t lParam) {
    return platform::pointFromLParam(lParam).x;
}
inline int lParamY(std::intptr_t lParam) {
    return platform::pointFromLParam(lParam).y;
}

}  // namespace tamlo::test
