#include "window/combo_helper_window.h"

#include "platform/windowing/messages.h"

namespace tamlo {

std::intptr_t ComboHelperWnd::handleMessage(uint32_t message, std::uintptr_t wParam,
                                            std::intptr_t lParam) {
    switch (message) {
        case win32::WM_ACTIVATE:
            if (wParam == win32::WA_ACTIVE && savedFocus() != nullptr) {
                setFocusControl(savedFocus());
            }
            return 0;
        case win32::WM_KILLFOCUS:
            return 0;  // focus is kept
        default:
            return WindowImpl::handleMessage(message, wParam, lParam);
    }
}

}  // namespace tamlo
