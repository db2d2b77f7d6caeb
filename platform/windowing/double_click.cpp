#include "platform/windowing/double_click.h"

#include <cstdlib>

namespace tamlo::platform {

bool DoubleClickDetector::press(WindowHandle window, int button, Point screen, uint64_t time,
                                uint32_t maxTime, Size area) {
    bool isDouble = armed_ && window == window_ && button == button_ && time >= time_ &&
                    time - time_ <= maxTime && std::abs(screen.x - point_.x) <= area.width / 2 &&
                    std::abs(screen.y - point_.y) <= area.height / 2;
    if (isDouble) {
        armed_ = false;
        return true;
    }
    armed_ = true;
    window_ = window;
    button_ = button;
    point_ = screen;
    time_ = time;
    return false;
}

void DoubleClickDetector::forget(WindowHandle window) {
    if (window_ == window) {
        armed_ = false;
    }
}

}  // namespace tamlo::platform
