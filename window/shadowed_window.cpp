#include "window/shadowed_window.h"

#include "dui/loader/layout_loader.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/native_window.h"
#include "window/proxy_window.h"

namespace tamlo {

ShadowedWindow::ShadowedWindow(std::u16string layoutName) : layoutName_(std::move(layoutName)) {}

std::intptr_t ShadowedWindow::handleMessage(uint32_t message, std::uintptr_t wParam,
                                            std::intptr_t lParam) {
    switch (message) {
        case win32::WM_CREATE:
            if (root() == nullptr) {
                setRoot(dui::loadLayout(layoutName_));  // runs the on-create steps
            } else {
                WindowImpl::handleMessage(message, wParam, lParam);
            }
            createProxy();
            return 0;
        case win32::WM_MOVE:
            placeProxy();
            return 0;
        case win32::WM_SIZE:
            placeProxy();
            return WindowImpl::handleMessage(message, wParam, lParam);
        case win32::WM_SHOWWINDOW:
            if (proxy_ != 0 && WindowBase::fromHandle(proxy_) != nullptr) {
                platform::showWindow(proxy_,
                                     wParam != 0 ? win32::SW_SHOWNOACTIVATE : win32::SW_HIDE);
            }
            return WindowImpl::handleMessage(message, wParam, lParam);
        case win32::WM_DESTROY:
            proxy_ = 0;  // the system takes the owned shadow with this window
            return WindowImpl::handleMessage(message, wParam, lParam);
        default:
            return WindowImpl::handleMessage(message, wParam, lParam);
    }
}

platform::Rect ShadowedWindow::shadowRect() const {
    const platform::Rect own = platform::windowRect(handle());
    return platform::Rect{own.left - kShadowLeft, own.top - kShadowTop, own.right + kShadowRight,
                          own.bottom + kShadowBottom};
}

void ShadowedWindow::createProxy() {
    if (proxy_ != 0) {
        return;
    }
    auto* proxy = new ProxyWindow(kProxyLayout);
    const platform::Rect area = shadowRect();
    uint32_t style = win32::WS_POPUP;
    if (platform::isWindowVisible(handle())) {
        style |= win32::WS_VISIBLE;
    }
    if (!proxy->create(win32::WS_EX_TRANSPARENT | win32::WS_EX_TOOLWINDOW, style, area.left,
                       area.top, area.width(), area.height(), handle())) {
        delete proxy;
        return;
    }
    proxy_ = proxy->handle();
    placeProxy();
}

void ShadowedWindow::placeProxy() {
    if (proxy_ == 0 || WindowBase::fromHandle(proxy_) == nullptr) {
        return;
    }
    const platform::Rect area = shadowRect();
    platform::setWindowPos(proxy_, 0, area.left, area.top, area.width(), area.height(),
                           win32::SWP_NOACTIVATE | win32::SWP_NOZORDER);
    platform::postMessage(proxy_, WindowImpl::kFlushMessage, 0, 0);
}

}  // namespace tamlo
