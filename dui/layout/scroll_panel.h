#pragma once

#include <cstdint>

#include "dui/core/panel.h"

namespace tamlo::dui {

class ScrollBar;

// One content child (the first) in a viewport, with scroll bars made fresh at every
// arrange when the content does not fit. Further children are never arranged. The bars
// are the last children, so they paint over the content.
class ScrollPanel : public Panel {
  public:
    ~ScrollPanel() override;

    Size arrangeContent(int32_t width, int32_t height) override;

    // Called by the bars when their position changes: shifts the content's rect.
    void scrollHorizontal(int32_t position);
    void scrollVertical(int32_t position);

    // Content that scrolls itself by lines (line_scrolled.h) calls this after it moved or
    // its line count changed, so the bar follows.
    void lineContentScrolled();

    virtual ScrollBar* createScrollBar();
    // Thickness of the bars: the bar skin of the default bar styles, 17 without one.
    virtual int32_t verticalBarWidth();
    virtual int32_t horizontalBarHeight();

    bool verticalShown() const { return verticalShown_; }
    bool horizontalShown() const { return horizontalShown_; }
    // Valid until the next arrange, which replaces the bars.
    ScrollBar* verticalBar() const { return verticalBar_; }
    ScrollBar* horizontalBar() const { return horizontalBar_; }
    // The content's rect as last arranged, before any scroll offset.
    const Rect& contentRect() const { return contentRect_; }

  private:
    Size arrangeLineContent(Control& content, int32_t width, int32_t height);
    static void onLineBarNotify(void* self, Control* sender, Event& event);
    void removeBars();
    void updateScrollBars(Control* content, int32_t width, int32_t height);
    Control* content() const;

    bool verticalShown_ = false;
    bool horizontalShown_ = false;
    ScrollBar* verticalBar_ = nullptr;
    ScrollBar* horizontalBar_ = nullptr;
    Rect contentRect_;
    bool arrangingLines_ = false;  // the line content reports in while it is arranged
};

}  // namespace tamlo::dui
