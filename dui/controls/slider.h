#pragma once

#include <cstdint>
#include <string>

#include "dui/core/control.h"

namespace tamlo::dui {

// A value from 0 to a maximum picked with a thumb; the wheel changes it too. The checked
// bit says the cursor is over the thumb.
class Slider : public Control {
  public:
    // Thumb length when the style has no thumb image.
    static constexpr int32_t kDefaultThumbLength = 16;

    Slider();

    int32_t value() const { return value_; }
    int32_t maximum() const { return maximum_; }
    // Clamps to 0 .. maximum; a change is stored, raises ValueChange and repaints.
    void setValue(int32_t value);
    // The value a point (window-client coordinates) stands for, set through setValue.
    void setValueFromPoint(Point client);
    bool isVertical() const;
    // Its `style` when the style set has it, else the default slider style.
    std::u16string styleName() const;
    // The thumb in the slider's own coordinates: the size of its style's thumb image
    // along the bar, the whole slider across it, placed by value / maximum.
    Rect thumbRect() const;

    // Across the bar the slider is as thick as its thumb image; along it, it takes what
    // it is given. Without a thumb image it takes everything.
    Size measureContent(int32_t availableWidth, int32_t availableHeight) override;
    void paint(DrawingContext& context, const Rect& bounds, const Rect& clip) override;

  private:
    static void onLButtonDown(void* self, Control* sender, Event& event);
    static void onMouseMove(void* self, Control* sender, Event& event);
    static void onMouseLeave(void* self, Control* sender, Event& event);
    static void onMouseWheel(void* self, Control* sender, Event& event);
    // The thumb image's size, or the default thumb across the whole slider.
    Size thumbSize() const;

    int32_t value_ = 50;
    int32_t maximum_ = 100;
};

}  // namespace tamlo::dui
