#pragma once

#include "window/window_impl.h"

namespace tamlo {

// The combo box's drop-down window. It keeps the keyboard focus of its controls when the
// native window loses focus, so the list stays usable while it is open.
class ComboHelperWnd : public WindowImpl {
  public:
    std::intptr_t handleMessage(uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) override;
};

}  // namespace tamlo
