#pragma once

#include <cstdint>
#include <string_view>

#include "dui/core/control.h"

namespace tamlo::dui {

// The multi-line editor.
class Edit : public Control {
  public:
    Edit();
    std::u16string_view getName() const override { return u"Edit"; }
};

// The single-line field. Its paddings are set when it joins a window.
class TextBox : public Control {
  public:
    TextBox();
    std::u16string_view getName() const override { return u"TextBox"; }
    // One line of the default font plus the vertical padding above and below.
    Size measureContent(int32_t availableWidth, int32_t availableHeight) override;

    int32_t horizontalPadding() const { return horizontalPadding_; }
    int32_t verticalPadding() const { return verticalPadding_; }

  private:
    static void onAttached(void* self, Control* sender, Event& event);

    int32_t horizontalPadding_ = 0;
    int32_t verticalPadding_ = 0;
};

}  // namespace tamlo::dui
