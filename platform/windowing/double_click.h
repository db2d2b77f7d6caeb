#pragma once

#include <cstdint>

#include "platform/windowing/native_window.h"

namespace tamlo::platform {

// Tells a double click from two single ones the way the system does: the second press of
// the same button on the same window, within the double-click time of the first and
// inside the double-click rectangle centred on it. A double click disarms the detector,
// so a third press starts over.
class DoubleClickDetector {
  public:
    bool press(WindowHandle window, int button, Point screen, uint64_t time, uint32_t maxTime,
               Size area);
    void forget(WindowHandle window);
    void reset() { armed_ = false; }

  private:
    bool armed_ = false;
    WindowHandle window_ = 0;
    int button_ = 0;
    Point point_;
    uint64_t time_ = 0;
};

}  // namespace tamlo::platform
