#pragma once

#include <cstdint>
#include <string>

#include "dui/core/control.h"

namespace tamlo::dui {

// A value from 0 to a maximum picked with a thumb; the wheel changes it too.
class Slider : public Control {
  public:
    Slider();

    int32_t value() const { return value_; }
    int32_t maximum() const { return maximum_; }
    bool isVertical() const;
    // Its `style` when the style set has it, else the default slider style.
    std::u16string styleName() const;
    // The thumb in the slider's own coordinates: the size of its style's thumb image
    // along the bar, the whole slider across it, placed by value / maximum.
    Rect thumbRect() const;

    // Across the bar the slider is as thick as its thumb image; along it, it takes what
    // it is given. Without a thumb image it takes everything.
    Size measureContent(int32_t availableWidth, int32_t availableHeight) override;

  private:
    int32_t value_ = 50;
    int32_t maximum_ = 100;
};

}  // namespace tamlo::dui
