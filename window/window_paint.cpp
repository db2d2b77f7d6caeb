#include <cairo.h>

#include "dui/controls/web_browser.h"
#include "platform/windowing/native_window.h"
#include "window/paint_entry.h"
#include "window/window_impl.h"

namespace tamlo {

// What a previous paint left (an old caret, a control since hidden) must not show
// through where the tree draws nothing now.
void WindowImpl::clearArea(const Rect& area) {
    cairo_t* cr = cairo_create(backBuffer_.surface());
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_rectangle(cr, area.left, area.top, area.width(), area.height());
    cairo_fill(cr);
    cairo_destroy(cr);
    backBuffer_.markDirty();
}

void WindowImpl::paintArea(const Rect& area) {
    const Size size = clientSize();
    if (root() == nullptr || size.width <= 0 || size.height <= 0) {
        return;
    }
    // The buffer follows the client size and is made again only when that changes.
    if (backBuffer_.width() != size.width || backBuffer_.height() != size.height ||
        !backBuffer_.exists()) {
        if (!backBuffer_.resize(size.width, size.height)) {
            return;
        }
    }
    clearArea(area);
    render::Canvas& canvas = *backBuffer_.canvas();
    render::paintArea(canvas, *root(), area);
    dui::WebBrowser::placePagesOf(this);  // native pages follow what was just painted
    if (caret_.drawn()) {
        const Rect caret = intersection(caret_.rect(), area);
        if (!caret.isEmpty()) {
            canvas.fillRect(caret, kCaretColor);
        }
    }
}

void WindowImpl::present(const Rect& area) {
    if (handle() == 0 || !backBuffer_.exists()) {
        return;
    }
    const render::Bitmap& pixels = backBuffer_.pixels();
    platform::PixelView view;
    view.pixels = pixels.pixels();
    view.width = pixels.width();
    view.height = pixels.height();
    view.strideBytes = pixels.strideBytes();
    if (layered_) {
        platform::updateLayeredWindow(handle(), view, constantAlpha_, perPixelAlpha_);
    } else {
        platform::blitToWindow(handle(), view,
                               platform::Rect{area.left, area.top, area.right, area.bottom});
    }
}

}  // namespace tamlo
