#include "dui/controls/text_input.h"

#include "dui/core/content_metrics.h"

namespace tamlo::dui {

Edit::Edit() {
    setFlags(ControlFlag::RepaintOnMouse | ControlFlag::CaptureOnPress | ControlFlag::FocusOnPress,
             true);
}

TextBox::TextBox() {
    setFlags(ControlFlag::RepaintOnMouse | ControlFlag::CaptureOnPress | ControlFlag::FocusOnPress |
                 ControlFlag::DoubleClicks,
             true);
    addHandler(EventCode::Attached, this, &TextBox::onAttached);
}

void TextBox::onAttached(void* self, Control* sender, Event&) {
    auto* box = static_cast<TextBox*>(self);
    if (sender == box) {
        box->horizontalPadding_ = 8;
        box->verticalPadding_ = 5;
    }
}

Size TextBox::measureContent(int32_t, int32_t) {
    int32_t lineHeight = 0;
    if (ContentMetrics* metrics = contentMetrics()) {
        lineHeight = metrics->textExtent(u"Default", u"").height;
    }
    return Size{0, lineHeight + 2 * verticalPadding_};
}

}  // namespace tamlo::dui
