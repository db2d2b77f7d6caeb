#pragma once

#include <string>

#include "window/window_impl.h"

namespace tamlo {

// The drop shadow of a script window: a layered window with per-pixel alpha that paints
// its own layout and lets every click through.
class ProxyWindow : public WindowImpl {
  public:
    // Loads `layoutName` as the root; a layout that does not load leaves it empty.
    explicit ProxyWindow(std::u16string layoutName);
    const std::u16string& layoutName() const { return layoutName_; }

  private:
    std::u16string layoutName_;
};

}  // namespace tamlo
