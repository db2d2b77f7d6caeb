#pragma once

#include "dui/controls/button.h"

namespace tamlo::dui {

// One tab of a TabControl. It owns its page: a control that paints and hit-tests under
// the TabControl (its parent link) without being in the TabControl's child list. The
// page joins and leaves the window together with its item.
class TabItem : public Button {
  public:
    TabItem();
    ~TabItem() override;

    Control* page() const { return page_; }
    // Takes ownership; a previous page is deleted.
    void setPage(Control* page);

  private:
    static void onAttached(void* self, Control* sender, Event& event);
    static void onDetached(void* self, Control* sender, Event& event);
    static void onLButtonDown(void* self, Control* sender, Event& event);

    Control* page_ = nullptr;
};

}  // namespace tamlo::dui
