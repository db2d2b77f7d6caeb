#pragma once

#include <cstdint>

#include "dui/core/panel.h"

namespace tamlo::dui {

class TabItem;

// A strip of tab items (the children) over the page of the selected item. The first
// arrange selects the first item; later changes go through selectTab, which slides the
// new page in when the strip is on top.
class TabControl : public Panel {
  public:
    Size measureContent(int32_t availableWidth, int32_t availableHeight) override;
    Size arrangeContent(int32_t width, int32_t height) override;
    void paint(DrawingContext& context, const Rect& bounds, const Rect& clip) override;
    Control* hitTest(int32_t x, int32_t y) override;

    // Selects `item` (a child of this control, or null): the old item is unchecked and
    // told first, then the new one is checked and this control raises ValueChange.
    void selectTab(TabItem* item);
    // The selected item, or null; an item that has left this control no longer counts.
    TabItem* selectedItem() const;

    const Rect& tabStripRect() const { return tabStripRect_; }
    const Rect& pageRect() const { return pageRect_; }

    // Waits n units of 1/1024 s on the high-resolution clock; n <= 0 returns at once.
    static void waitMs(int32_t n);

  private:
    enum class Placement { Top, Left, Other };
    Placement placement() const;
    int32_t indexOf(const Control* child) const;
    void slideIn(Control* page, bool forward);

    Rect tabStripRect_;
    Rect pageRect_;
    TabItem* selected_ = nullptr;
    int32_t tabHeight_ = 0;
};

}  // namespace tamlo::dui
