#pragma once

#include <cstdint>

namespace tamlo::dui {

// Content that scrolls itself by whole lines (an Edit). A ScrollPanel holding such content
// keeps it at the viewport's size and hands its vertical bar over to it: the bar counts
// lines, its arrows and track move the content, and the content reports its own scrolling
// back through ScrollPanel::lineContentScrolled.
class LineScrolled {
  public:
    virtual int32_t scrollLineCount() const = 0;
    virtual int32_t scrollPageLines() const = 0;
    virtual int32_t scrollFirstLine() const = 0;
    virtual void scrollToLine(int32_t line) = 0;

  protected:
    ~LineScrolled() = default;
};

}  // namespace tamlo::dui
