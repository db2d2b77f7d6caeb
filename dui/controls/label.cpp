#include "dui/controls/label.h"

#include "dui/core/content_metrics.h"

namespace tamlo::dui {

Label::Label() {
    setFlags(ControlFlag::Transparent, true);
}

Size Label::measureContent(int32_t, int32_t) {
    Rect padding;
    getRect(key::padding, padding);
    Size size{padding.left + padding.right, padding.top + padding.bottom};
    const std::u16string* text = findText(key::text);
    ContentMetrics* metrics = contentMetrics();
    if (text != nullptr && metrics != nullptr) {
        const std::u16string* font = findText(key::font);
        const Size extent =
            metrics->textExtent(font ? std::u16string_view(*font) : u"Default", *text);
        size.width += extent.width;
        size.height += extent.height;
    }
    return size;
}

LinkLabel::LinkLabel() {
    setFlags(ControlFlag::Transparent, false);
    addHandler(EventCode::QueryCursor, this, &LinkLabel::onQueryCursor);
    addHandler(EventCode::LButtonDown, this, &LinkLabel::onLButtonDown);
}

}  // namespace tamlo::dui
