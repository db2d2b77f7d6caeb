#include "dui/controls/list_item.h"

#include "render/canvas.h"

namespace tamlo::dui {

ListItem::ListItem() {
    setFlags(ControlFlag::Transparent, false);
    setFlags(ControlFlag::RepaintOnMouse, true);
    setRect(key::padding, 8, 0, 4, 0);
    setInt(key::color, static_cast<int32_t>(kTextColor));
}

Size ListItem::measureContent(int32_t, int32_t) {
    return Size{0, kDefaultHeight};
}

void ListItem::paint(DrawingContext& context, const Rect& bounds, const Rect& clip) {
    if (auto* canvas = dynamic_cast<render::Canvas*>(&context)) {
        if (isChecked()) {
            canvas->fillRect(bounds, kSelectedColor);
        } else if (hasFlags(ControlFlag::Hovered)) {
            canvas->fillRect(bounds, kHoverColor);
        }
    }
    Label::paint(context, bounds, clip);
}

}  // namespace tamlo::dui
