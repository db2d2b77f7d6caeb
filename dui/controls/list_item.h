#pragma once

#include "dui/controls/label.h"

namespace tamlo::dui {

// One row of a ListBox: a line of text whose checked bit says it is selected. It takes the
// mouse (unlike a plain label) so rows show hover, and it is as tall as the list's step.
class ListItem : public Label {
  public:
    static constexpr int32_t kDefaultHeight = 24;
    static constexpr uint32_t kSelectedColor = 0xF0D8B0;  // light blue, 0x00BBGGRR
    static constexpr uint32_t kHoverColor = 0xFAF0E6;
    static constexpr uint32_t kTextColor = 0x333333;

    ListItem();
    // Width comes from the list (rows stretch); no text is measured, so long lists lay out
    // in time proportional to their rows only.
    Size measureContent(int32_t availableWidth, int32_t availableHeight) override;
    void paint(DrawingContext& context, const Rect& bounds, const Rect& clip) override;
};

}  // namespace tamlo::dui
