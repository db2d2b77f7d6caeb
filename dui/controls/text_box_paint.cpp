#include <algorithm>

#include "dui/controls/text_box.h"
#include "render/canvas.h"
#include "render/text.h"
#include "render/text_format.h"

namespace tamlo::dui {
namespace {
constexpr render::ColorRef kTextColor = 0x666666;
constexpr render::ColorRef kSelectedTextColor = 0xFFFFFF;
constexpr render::ColorRef kSelectionColor = 0xFF9933;
}  // namespace

void TextBox::paint(DrawingContext& context, const Rect& bounds, const Rect& clip) {
    paintStyle(context, bounds);
    auto* canvas = dynamic_cast<render::Canvas*>(&context);
    if (canvas == nullptr) {
        return;
    }
    const Rect box{bounds.left + horizontalPadding_, bounds.top + verticalPadding_,
                   bounds.right - horizontalPadding_, bounds.bottom - verticalPadding_};
    const Rect shown = intersection(box, clip);
    if (shown.isEmpty()) {
        return;
    }
    const int32_t total = widthUpTo(static_cast<int32_t>(text_.size()));
    // Wide enough for the whole text: the clip, not the rectangle, cuts it.
    Rect line{box.left - scroll_, box.top, box.left - scroll_ + total + box.width() + 1,
              box.bottom};
    const uint32_t format = win32::DT_SINGLELINE | win32::DT_VCENTER | win32::DT_NOPREFIX;
    const std::u16string shownText = text_;
    canvas->save();
    canvas->clipTo(shown);
    render::drawText(*canvas, line, shownText, &widths().font(), kTextColor, format);
    if (anchor_ != caret_) {
        const int32_t from = box.left + widthUpTo(std::min(anchor_, caret_)) - scroll_;
        const int32_t to = box.left + widthUpTo(std::max(anchor_, caret_)) - scroll_;
        const Rect selection{std::clamp(from, box.left, box.right), box.top,
                             std::clamp(to, box.left, box.right), box.bottom};
        const Rect selected = intersection(selection, shown);
        if (!selected.isEmpty()) {
            canvas->clipTo(selected);
            canvas->fillRect(selected, kSelectionColor);
            Rect again = line;
            render::drawText(*canvas, again, shownText, &widths().font(), kSelectedTextColor,
                             format);
        }
    }
    canvas->restore();
}

}  // namespace tamlo::dui
