#pragma once

#include "dui/layout/scroll_panel.h"

namespace tamlo::dui {

class StackPanel;

// A scroll panel whose content is a vertical item panel made by the constructor; the
// items are that panel's children.
class ListBox : public ScrollPanel {
  public:
    ListBox();
    StackPanel* itemPanel() const { return itemPanel_; }

  private:
    StackPanel* itemPanel_;
};

}  // namespace tamlo::dui
