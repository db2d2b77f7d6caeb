#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "dui/core/control.h"

namespace tamlo::dui {

// A control with an ordered list of children that it owns, paints first to last and
// hit-tests last to first (later children are on top).
class Panel : public Control {
  public:
    Panel();
    ~Panel() override;

    Panel* asPanel() override { return this; }

    Control* firstChild() const { return firstChild_; }
    Control* lastChild() const { return lastChild_; }
    int32_t childCount() const { return childCount_; }
    // Walks n steps from the first child; n <= 0 gives the first child, null past the end.
    Control* childAt(int32_t n) const;
    // The children as they stand now, first to last.
    std::vector<Control*> childList() const;

    // Appends `child` and attaches it when this panel is in a window. A child still in
    // another panel is taken out of it first. Refuses null, this panel and its ancestors.
    bool addChild(Control* child);
    // Detaches `child` when this panel is in a window, then unlinks it; the caller owns
    // it afterwards. False when it is not a child of this panel.
    bool removeChild(Control* child);

    void paint(DrawingContext& context, const Rect& bounds, const Rect& clip) override;
    Control* hitTest(int32_t x, int32_t y) override;
    std::u16string_view getName() const override { return u"Panel"; }

  private:
    friend class Control;
    bool lists(const Control* child) const;
    void unlinkChild(Control* child);

    Control* firstChild_ = nullptr;
    Control* lastChild_ = nullptr;
    int32_t childCount_ = 0;
};

}  // namespace tamlo::dui
