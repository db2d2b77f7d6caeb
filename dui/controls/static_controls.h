#pragma once

#include <cstdint>
#include <string_view>

#include "dui/core/control.h"

namespace tamlo::dui {

// A line drawn by its style; transparent to the mouse.
class Seperator : public Control {
  public:
    Seperator();
};

// The strip that drags its window.
class TitleBar : public Control {
  public:
    TitleBar();

  private:
    static void onLButtonDown(void* self, Control* sender, Event& event);
};

// The element "Image": its `src` image stretched over the control, measured at the
// image's natural size.
class Drawing : public Control {
  public:
    Drawing();
    std::u16string_view getName() const override { return u"Image"; }
    // The `src` image's natural size, or (0, 0).
    Size measureContent(int32_t availableWidth, int32_t availableHeight) override;
    // The `src` image stretched over the control.
    void paint(DrawingContext& context, const Rect& bounds, const Rect& clip) override;
};

class ProgressBar : public Control {
  public:
    ProgressBar();
    std::u16string_view getName() const override { return u"ProgressBar"; }
    int32_t range() const { return range_; }
    int32_t position() const { return position_; }
    // Each asks for a deferred repaint; the position never exceeds the range.
    void setRange(int32_t range);
    void setPosition(int32_t position);
    // The track, then the fill revealed up to the position.
    void paint(DrawingContext& context, const Rect& bounds, const Rect& clip) override;

  private:
    int32_t range_ = 1;
    int32_t position_ = 0;
};

}  // namespace tamlo::dui
