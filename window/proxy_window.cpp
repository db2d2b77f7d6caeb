#include "window/proxy_window.h"

#include "dui/loader/layout_loader.h"

namespace tamlo {

ProxyWindow::ProxyWindow(std::u16string layoutName) : layoutName_(std::move(layoutName)) {
    setRoot(dui::loadLayout(layoutName_));
    setLayered(true);
    setPerPixelAlpha(true);
}

}  // namespace tamlo
