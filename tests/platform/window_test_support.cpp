#include "window_test_support.h"

#include "platform/headless/input.h"

namespace tamlo::test {

TestWindow::TestWindow(const Options& options) {
    platform::WindowCreation creation;
    creation.className = u"test window";
    creation.procedure = procedure;
    creation.userData = this;
    creation.classStyle = options.classStyle;
    creation.style = options.style;
    creation.exStyle = options.exStyle;
    creation.x = options.x;
    creation.y = options.y;
    creation.width = options.width;
    creation.height = options.height;
    creation.owner = options.owner;
    handle_ = platform::createWindow(creation);
}

TestWindow::~TestWindow() {
    if (platform::isWindow(handle_)) {
        platform::destroyWindow(handle_);
    }
}

std::intptr_t TestWindow::procedure(platform::WindowHandle window, uint32_t message,
                                    std::uintptr_t wParam, std::intptr_t lParam) {
    auto* self = static_cast<TestWindow*>(platform::windowUserData(window));
    if (self == nullptr) {
        return 0;
    }
    self->messages.push_back({message, wParam, lParam});
    if (message == win32::WM_PAINT) {
        self->lastPaint = platform::beginPaint(window);
    }
    if (self->onMessage) {
        self->onMessage(*self, message);
    }
    return message == self->answeredMessage ? self->answer : 0;
}

std::vector<uint32_t> TestWindow::numbers() const {
    std::vector<uint32_t> out;
    for (const auto& m : messages) {
        out.push_back(m.message);
    }
    return out;
}

std::vector<SeenMessage> TestWindow::seen(uint32_t message) const {
    std::vector<SeenMessage> out;
    for (const auto& m : messages) {
        if (m.message == message) {
            out.push_back(m);
        }
    }
    return out;
}

void WindowTest::SetUp() {
    auto pumpOwned =
        std::make_unique<platform::ConditionPump>(platform::ConditionPump::Time::Virtual);
    clock = pumpOwned.get();
    platform::createUiQueue(std::move(pumpOwned));
    platform::resetKeyboardState();
    platform::resetPointerInput();
    platform::setSystemMetrics(platform::SystemMetrics{});
    platform::headless::moveMouse(platform::Point{5000, 5000});
}

void WindowTest::TearDown() {
    platform::resetPointerInput();
    platform::discardUiQueue();
}

std::unique_ptr<TestWindow> WindowTest::shownWindow(TestWindow::Options options) {
    auto window = std::make_unique<TestWindow>(options);
    platform::showWindow(window->handle(), win32::SW_SHOW);
    pump();
    window->clear();
    return window;
}

}  // namespace tamlo::test
