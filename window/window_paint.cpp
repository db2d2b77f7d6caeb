#include <algorithm>
#include <string>

#include "dui/controls/web_browser.h"
#include "dui/style/style_set.h"
#include "platform/display_scale.h"
#include "platform/windowing/input_method.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/native_window.h"
#include "render/text.h"
#include "window/paint_entry.h"
#include "window/window_impl.h"

namespace tamlo {
namespace {

const render::Font* compositionFont() {
    dui::StyleSet* styles = dui::StyleSet::current();
    return styles != nullptr ? styles->getFont(u"Default") : nullptr;
}

// The pre-edit box at the caret: the text's extent, at least the caret's height.
Rect compositionBox(const Rect& caret, const std::u16string& preedit) {
    const Size extent = render::measureText(compositionFont(), preedit);
    return Rect{caret.left, caret.top, caret.left + extent.width + 2,
                caret.top + std::max(extent.height, caret.height())};
}

}  // namespace

void WindowImpl::onComposition() {
    if (!compositionRect_.isEmpty()) {
        invalidateRect(compositionRect_);
    }
    const std::u16string preedit = handle() != 0 ? platform::inputMethodPreedit(handle()) : u"";
    compositionRect_ = preedit.empty() ? Rect{} : compositionBox(caret_.rect(), preedit);
    if (!compositionRect_.isEmpty()) {
        invalidateRect(compositionRect_);
    }
    if (handle() != 0) {
        platform::postMessage(handle(), kFlushMessage, 0, 0);
    }
}

// The composition in progress, over the text at the caret, underlined as input methods
// show it.
void WindowImpl::paintComposition(render::Canvas& canvas, const Rect& area) {
    if (compositionRect_.isEmpty() || intersection(compositionRect_, area).isEmpty()) {
        return;
    }
    const std::u16string preedit = platform::inputMethodPreedit(handle());
    if (preedit.empty()) {
        return;
    }
    canvas.save();
    canvas.clipTo(intersection(compositionRect_, area));
    canvas.fillRect(compositionRect_, 0xFFFFFF);
    Rect text{compositionRect_.left + 1, compositionRect_.top, compositionRect_.right,
              compositionRect_.bottom};
    render::drawText(canvas, text, preedit, compositionFont(), 0x000000,
                     win32::DT_SINGLELINE | win32::DT_VCENTER | win32::DT_NOPREFIX);
    canvas.fillRect(Rect{text.left, compositionRect_.bottom - 1, compositionRect_.right - 1,
                         compositionRect_.bottom},
                    0x000000);
    canvas.restore();
}

// What a previous paint left (an old caret, a control since hidden) must not show
// through where the tree draws nothing now.
void WindowImpl::clearArea(const Rect& area) {
    backBuffer_.clearRect(area);
}

void WindowImpl::paintArea(const Rect& area) {
    const Size size = clientSize();
    if (root() == nullptr || size.width <= 0 || size.height <= 0) {
        return;
    }
    // The buffer holds the client area in device pixels and is made again only when its
    // size or the window's scale changes.
    const double scale = handle() != 0 ? platform::windowScale(handle()) : 1.0;
    const Size device{toDevice(size.width, scale), toDevice(size.height, scale)};
    if (backBuffer_.width() != device.width || backBuffer_.height() != device.height ||
        backBuffer_.scale() != scale || !backBuffer_.exists()) {
        if (!backBuffer_.resize(device.width, device.height, scale)) {
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
    paintComposition(canvas, area);
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
        platform::blitToWindow(handle(), view, toDevice(area, backBuffer_.scale()));
    }
}

}  // namespace tamlo
