#pragma once

#include <string>

#include "window/window_impl.h"

namespace tamlo {

class ProxyWindow;

// The window every script creates: it keeps a click-through shadow window around and
// under itself that follows its moves, sizes and visibility.
class ShadowedWindow : public WindowImpl {
  public:
    static constexpr int32_t kShadowLeft = 20;
    static constexpr int32_t kShadowTop = 14;
    static constexpr int32_t kShadowRight = 16;
    static constexpr int32_t kShadowBottom = 21;
    static constexpr const char16_t* kProxyLayout = u"proxywindow.xml";

    // `layoutName` is loaded as the root when the window is made, unless a root was set.
    explicit ShadowedWindow(std::u16string layoutName);

    // The shadow, or 0 before creation and once it is gone.
    platform::WindowHandle proxyHandle() const { return proxy_; }
    const std::u16string& layoutName() const { return layoutName_; }

    std::intptr_t handleMessage(uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) override;

  private:
    void createProxy();
    void placeProxy();
    platform::Rect shadowRect() const;

    std::u16string layoutName_;
    // By handle: the proxy is an owned window that the system destroys with this one.
    platform::WindowHandle proxy_ = 0;
};

}  // namespace tamlo
