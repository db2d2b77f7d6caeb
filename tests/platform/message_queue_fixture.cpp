#include "message_queue_fixture.h"

namespace tamlo::test {
namespace {

std::intptr_t recordingProcedure(platform::WindowHandle window, uint32_t message,
                                 std::uintptr_t wParam, std::intptr_t lParam) {
    auto* self = static_cast<RecordingWindow*>(platform::windowUserData(window));
    if (self != nullptr && message != win32::WM_CREATE && message != win32::WM_DESTROY &&
        message != win32::WM_NCDESTROY) {
        self->received.push_back({message, wParam, lParam});
    }
    return 0;
}

}  // namespace

RecordingWindow::RecordingWindow() {
    platform::WindowCreation creation;
    creation.className = u"test";
    creation.procedure = recordingProcedure;
    creation.userData = this;
    handle = platform::createWindow(creation);
}

RecordingWindow::~RecordingWindow() {
    platform::destroyWindow(handle);
}

std::vector<uint32_t> RecordingWindow::messageNumbers() const {
    std::vector<uint32_t> numbers;
    for (const auto& m : received) {
        numbers.push_back(m.message);
    }
    return numbers;
}

}  // namespace tamlo::test
