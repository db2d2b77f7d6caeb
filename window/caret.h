#pragma once

#include <cstdint>
#include <functional>

#include "dui/core/timer.h"
#include "platform/geometry.h"

namespace tamlo {

// The text caret of a window: where it is, how big, and whether the blink has it drawn
// now. The window paints it; every change of what shows goes to `invalidate` with the
// caret's area. UI thread only.
class Caret {
  public:
    using Invalidate = std::function<void(const Rect& area)>;

    explicit Caret(Invalidate invalidate);

    void setSize(int32_t width, int32_t height);
    // Shows the caret at (x, y) and blinks it, the first tick at once.
    void show(int32_t x, int32_t y);
    // Undraws it and stops the blink.
    void hide();
    // Stops the blink where it is, drawing nothing (the window is going).
    void stopBlinking() { timer_.stop(); }

    bool drawn() const { return phase_ == 1; }
    Rect rect() const;
    uint32_t blinkInterval() const { return timer_.interval(); }

  private:
    class BlinkTimer : public Timer {
      public:
        explicit BlinkTimer(Caret& caret);
        void onTimer() override;

      private:
        Caret& caret_;
    };

    void blink();
    void invalidate() { invalidate_(rect()); }

    Invalidate invalidate_;
    int32_t x_ = 0;
    int32_t y_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int phase_ = 0;
    BlinkTimer timer_;
};

}  // namespace tamlo
