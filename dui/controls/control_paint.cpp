// Painting of the controls that draw more than their style.
#include <algorithm>

#include "dui/controls/button.h"
#include "dui/controls/label.h"
#include "dui/controls/static_controls.h"
#include "dui/style/style_set.h"
#include "render/canvas.h"
#include "render/text.h"
#include "render/text_format.h"

namespace tamlo::dui {
namespace {

constexpr render::ColorRef kLabelColor = 0x92794D;

const render::Image* controlImage(const Control& control, AttributeKey key) {
    StyleSet* styles = StyleSet::current();
    const std::u16string* name = control.findText(key);
    return styles == nullptr || name == nullptr ? nullptr : styles->image(*name);
}

// The image over `area`, 9-sliced when the control has the grid attribute.
void drawImageOver(render::Canvas& canvas, const Control& control, AttributeKey imageKey,
                   AttributeKey gridKey, const Rect& area) {
    const render::Image* image = controlImage(control, imageKey);
    if (image == nullptr) {
        return;
    }
    Rect grid;
    if (control.getRect(gridKey, grid)) {
        image->drawScaleGrid(canvas, area.left, area.top, area.right, area.bottom, grid.left,
                             grid.top, grid.right, grid.bottom);
    } else {
        image->drawStretched(canvas, area.left, area.top, area.right, area.bottom);
    }
}

// Draws the named style; false when there is no style set or no such style.
bool drawNamedStyle(std::u16string_view name, DrawingContext& context, const Rect& bounds,
                    Control& control) {
    StyleSet* styles = StyleSet::current();
    return styles != nullptr && styles->drawStyle(name, context, bounds, control);
}

}  // namespace

void CheckBox::paint(DrawingContext& context, const Rect& bounds, const Rect&) {
    // A named style that cannot be had draws nothing rather than the default.
    const std::u16string* name = findText(key::style);
    const std::u16string styleName = name != nullptr ? *name : u"checkbox.xml";
    drawNamedStyle(styleName, context, bounds, *this);
}

void RadioButton::paint(DrawingContext& context, const Rect& bounds, const Rect&) {
    drawNamedStyle(u"radiobutton.xml", context, bounds, *this);
}

void ImageButton::paint(DrawingContext& context, const Rect& bounds, const Rect& clip) {
    if (auto* canvas = dynamic_cast<render::Canvas*>(&context)) {
        if (const render::Image* image = controlImage(*this, key::img)) {
            image->drawStretched(*canvas, bounds.left, bounds.top, bounds.right, bounds.bottom);
        }
    }
    Button::paint(context, bounds, clip);
}

void Label::paint(DrawingContext& context, const Rect& bounds, const Rect&) {
    auto* canvas = dynamic_cast<render::Canvas*>(&context);
    const std::u16string* text = findText(key::text);
    if (canvas == nullptr || text == nullptr) {
        return;
    }
    Rect padding;
    getRect(key::padding, padding);
    Rect area{bounds.left + padding.left, bounds.top + padding.top, bounds.right - padding.right,
              bounds.bottom - padding.bottom};
    uint32_t format = win32::DT_SINGLELINE | win32::DT_VCENTER | win32::DT_NOPREFIX;
    const auto align = static_cast<EnumWord>(getInt(key::textAlign, 0));
    if (align == EnumWord::Center) {
        format |= win32::DT_CENTER;
    } else if (align == EnumWord::Right) {
        format |= win32::DT_RIGHT;
    }
    const render::Font* font = nullptr;
    if (StyleSet* styles = StyleSet::current()) {
        const std::u16string* fontName = findText(key::font);
        font = styles->getFont(fontName != nullptr ? std::u16string_view(*fontName) : u"Default");
    }
    const std::u16string caption = *text;  // drawing must not see the attribute change
    render::drawText(*canvas, area, caption, font,
                     static_cast<render::ColorRef>(getInt(key::color, kLabelColor)), format);
}

void Drawing::paint(DrawingContext& context, const Rect& bounds, const Rect&) {
    if (auto* canvas = dynamic_cast<render::Canvas*>(&context)) {
        if (const render::Image* image = controlImage(*this, key::src)) {
            image->drawStretched(*canvas, bounds.left, bounds.top, bounds.right, bounds.bottom);
        }
    }
}

void ProgressBar::setRange(int32_t range) {
    range_ = range;
    invalidate(false);
}

void ProgressBar::setPosition(int32_t position) {
    position_ = std::min(position, range_);
    invalidate(false);
}

void ProgressBar::paint(DrawingContext& context, const Rect& bounds, const Rect&) {
    auto* canvas = dynamic_cast<render::Canvas*>(&context);
    if (canvas == nullptr) {
        return;
    }
    drawImageOver(*canvas, *this, key::progressbkimg, key::progressbkScaleGrid, bounds);
    if (range_ == 0 || position_ == 0) {
        return;
    }
    Rect box = bounds;
    Rect margin;
    if (getRect(key::progressmargin, margin)) {
        box = {bounds.left + margin.left, bounds.top + margin.top, bounds.right - margin.right,
               bounds.bottom - margin.bottom};
    }
    // 64-bit so a large range cannot overflow; a negative position reveals nothing.
    const int64_t revealed = static_cast<int64_t>(box.right - box.left) * position_ / range_;
    const int32_t fillRight =
        box.left + static_cast<int32_t>(std::clamp<int64_t>(revealed, 0, box.right - box.left));
    if (fillRight <= box.left) {
        return;
    }
    canvas->save();
    canvas->clipTo({box.left, box.top, fillRight, box.bottom});
    drawImageOver(*canvas, *this, key::progressimg, key::progressScaleGrid, box);
    canvas->restore();
}

}  // namespace tamlo::dui
