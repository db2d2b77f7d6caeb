#pragma once

#include <cstdint>

#include "dui/core/panel.h"

namespace tamlo::dui {

// Children at their `x`, `y`; a negative coordinate counts back from the right or bottom
// edge. The canvas itself is only as large as its own `width` and `height` say.
class Canvas : public Panel {
  public:
    Size measureContent(int32_t availableWidth, int32_t availableHeight) override;
    Size arrangeContent(int32_t width, int32_t height) override;
};

// Children in one column (or one row with `orientation` "horizontal"), each at its
// desired extent along the stack; nothing is shrunk to fit.
class StackPanel : public Panel {
  public:
    bool isHorizontal() const;
    Size measureContent(int32_t availableWidth, int32_t availableHeight) override;
    Size arrangeContent(int32_t width, int32_t height) override;
};

// Children docked to the edges in order (`dock`, "left" when absent); the last one fills
// what is left.
class DockPanel : public Panel {
  public:
    Size measureContent(int32_t availableWidth, int32_t availableHeight) override;
    Size arrangeContent(int32_t width, int32_t height) override;
};

// Every child over the same area, placed by its margins and alignments. Also the class
// of a layout's "Window" root.
class Grid : public Panel {
  public:
    Size measureContent(int32_t availableWidth, int32_t availableHeight) override;
    Size arrangeContent(int32_t width, int32_t height) override;
};

}  // namespace tamlo::dui
