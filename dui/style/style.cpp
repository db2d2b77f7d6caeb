#include "dui/style/style.h"

#include "dui/controls/scroll_bar.h"
#include "dui/controls/slider.h"
#include "dui/core/control.h"
#include "dui/style/style_set.h"
#include "render/canvas.h"
#include "render/text.h"
#include "render/text_format.h"

namespace tamlo::dui {
namespace {

constexpr render::ColorRef kWhite = 0xFFFFFF;
constexpr render::ColorRef kBlack = 0;
constexpr uint32_t kCentredLine = win32::DT_CENTER | win32::DT_VCENTER | win32::DT_SINGLELINE;

struct State {
    bool enabled;
    bool pressed;
    bool hovered;
    bool focused;
    bool checked;
};

State stateOf(const Control& control) {
    return {control.isEnabled(), control.hasFlags(ControlFlag::Captured),
            control.hasFlags(ControlFlag::Hovered), control.hasFlags(ControlFlag::Focused),
            control.isChecked()};
}

// The image named by the style's text attribute `key`, or null.
const render::Image* imageOf(const Object& style, AttributeKey key) {
    StyleSet* set = StyleSet::current();
    const std::u16string* name = style.findText(key);
    return set == nullptr || name == nullptr ? nullptr : set->image(*name);
}

const render::Font* fontOf(const Control& control) {
    StyleSet* set = StyleSet::current();
    if (set == nullptr) {
        return nullptr;
    }
    const std::u16string* name = control.findText(key::font);
    return set->getFont(name != nullptr ? std::u16string_view(*name) : u"Default");
}

// The whole bounds, 9-sliced when the style has a grid.
void drawOver(render::Canvas& canvas, const Object& style, const render::Image* image,
              const Rect& bounds) {
    if (image == nullptr) {
        return;
    }
    Rect grid;
    if (style.getRect(key::scaleGrid, grid)) {
        image->drawScaleGrid(canvas, bounds.left, bounds.top, bounds.right, bounds.bottom,
                             grid.left, grid.top, grid.right, grid.bottom);
    } else {
        image->drawStretched(canvas, bounds.left, bounds.top, bounds.right, bounds.bottom);
    }
}

void drawSkin(render::Canvas& canvas, const Object& style, const Rect& bounds,
              const Control& control) {
    const State state = stateOf(control);
    AttributeKey skin = key::upSkin;
    if (!state.enabled) {
        skin = key::disabledSkin;
    } else if (state.pressed || state.checked) {
        skin = key::downSkin;
    } else if (state.hovered || state.focused) {
        skin = key::overSkin;
    }
    drawOver(canvas, style, imageOf(style, skin), bounds);
}

// The centred caption of the push-button styles.
void drawButtonCaption(render::Canvas& canvas, const Object& style, const Rect& bounds,
                       const Control& control) {
    const std::u16string* text = control.findText(key::text);
    if (text == nullptr) {
        return;
    }
    Rect area = bounds;
    if (control.hasFlags(ControlFlag::Captured) && style.getInt(key::downOffset, 0) == 1) {
        area = bounds.offsetBy(1, 1);
    }
    render::drawText(canvas, area, *text, fontOf(control),
                     static_cast<render::ColorRef>(style.getInt(key::textColor, kWhite)),
                     kCentredLine);
}

// The caption right of a check mark `iconWidth` wide.
void drawCheckCaption(render::Canvas& canvas, const Object& style, const Rect& bounds,
                      const Control& control, int32_t iconWidth) {
    const std::u16string* text = control.findText(key::text);
    if (text == nullptr) {
        return;
    }
    Rect area = bounds;
    area.left += iconWidth + style.getInt(key::iconGap, 2) + 2;
    render::drawTextVCentered(canvas, area, *text,
                              static_cast<render::ColorRef>(style.getInt(key::textColor, kWhite)));
}

// Icon and caption side by side (or stacked), centred in the bounds as one group.
void drawIconAndCaption(render::Canvas& canvas, const Object& style, const Rect& bounds,
                        const Control& control, AttributeKey iconKey, AttributeKey captionKey) {
    const std::u16string* caption = control.findText(captionKey);
    Rect area = bounds;
    uint32_t format = kCentredLine;
    const render::Font* font = fontOf(control);
    const render::Image* icon = nullptr;
    if (const std::u16string* iconName = control.findText(iconKey)) {
        if (StyleSet* set = StyleSet::current()) {
            icon = set->image(*iconName);
        }
    }
    if (icon != nullptr) {
        const int32_t iw = icon->width();
        const int32_t ih = icon->height();
        Size text;
        if (caption != nullptr) {
            text = render::measureText(font, *caption, win32::DT_CALCRECT | win32::DT_SINGLELINE);
        }
        const auto placement =
            static_cast<EnumWord>(style.getInt(key::textPlacement, enumValue(EnumWord::Right)));
        const int32_t gap = style.getInt(key::iconGap, 2);
        format = win32::DT_VCENTER | win32::DT_SINGLELINE;
        const int32_t x = (bounds.left + bounds.right - gap - text.width - iw) / 2;
        const int32_t iconTop = (bounds.top + bounds.bottom - ih) / 2;
        if (placement == EnumWord::Right) {
            icon->drawAt(canvas, x, iconTop);
            area.left = x + gap + iw;
        } else if (placement == EnumWord::Left) {
            icon->drawAt(canvas, x + gap + text.width, iconTop);
            area.left = x;
            area.right = x + text.width;
        } else if (placement == EnumWord::Bottom) {
            format = win32::DT_CENTER | win32::DT_SINGLELINE;
            const int32_t y = (bounds.top + bounds.bottom - gap - text.height - ih) / 2;
            icon->drawAt(canvas, (bounds.left + bounds.right - iw) / 2, y);
            area.top = y + gap + ih;
        }
    }
    if (caption == nullptr) {
        return;
    }
    if (control.hasFlags(ControlFlag::Captured) && style.getInt(key::downOffset, 0) == 1) {
        area = area.offsetBy(1, 1);
    }
    render::drawText(canvas, area, *caption, font,
                     static_cast<render::ColorRef>(style.getInt(key::textColor, kBlack)), format);
}

// Index of a vertical strip frame: disabled 3, pressed 2, hovered 1, else 0.
int32_t stripIndex(const State& state) {
    return !state.enabled ? 3 : state.pressed ? 2 : state.hovered ? 1 : 0;
}

AttributeKey pickByState(const State& state, AttributeKey disabled, AttributeKey down,
                         AttributeKey over, AttributeKey up) {
    return !state.enabled ? disabled : state.pressed ? down : state.hovered ? over : up;
}

}  // namespace

void Style::draw(DrawingContext& context, const Rect& bounds, Control& control) {
    if (auto* canvas = dynamic_cast<render::Canvas*>(&context)) {
        drawSkin(*canvas, *this, bounds, control);
    }
}

void Style_Background::draw(DrawingContext& context, const Rect& bounds, Control&) {
    if (auto* canvas = dynamic_cast<render::Canvas*>(&context)) {
        drawOver(*canvas, *this, imageOf(*this, key::img), bounds);
    }
}

void Style_Button::draw(DrawingContext& context, const Rect& bounds, Control& control) {
    if (auto* canvas = dynamic_cast<render::Canvas*>(&context)) {
        drawSkin(*canvas, *this, bounds, control);
        drawButtonCaption(*canvas, *this, bounds, control);
    }
}

void Style_ButtonEx::draw(DrawingContext& context, const Rect& bounds, Control& control) {
    auto* canvas = dynamic_cast<render::Canvas*>(&context);
    if (canvas == nullptr) {
        return;
    }
    if (const render::Image* source = imageOf(*this, key::src)) {
        const int32_t quarter = source->height() / 4;
        source->drawStrip(*canvas, bounds.left, bounds.top, bounds.width(), bounds.height(),
                          stripIndex(stateOf(control)) * quarter, source->width(), quarter);
    }
    drawButtonCaption(*canvas, *this, bounds, control);
}

void Style_CheckButton::draw(DrawingContext& context, const Rect& bounds, Control& control) {
    auto* canvas = dynamic_cast<render::Canvas*>(&context);
    if (canvas == nullptr) {
        return;
    }
    const State state = stateOf(control);
    const AttributeKey iconKey =
        state.checked
            ? pickByState(state, key::checkedDisabledIcon, key::checkedDownIcon,
                          key::checkedOverIcon, key::checkedUpIcon)
            : pickByState(state, key::disabledIcon, key::downIcon, key::overIcon, key::upIcon);
    const render::Image* icon = imageOf(*this, iconKey);
    int32_t iconWidth = 0;
    if (icon != nullptr) {
        icon->drawAt(*canvas, bounds.left + 2, (bounds.top + bounds.bottom - icon->height()) / 2);
        iconWidth = icon->width();
    }
    drawCheckCaption(*canvas, *this, bounds, control, iconWidth);
}

void Style_CheckButtonEx::draw(DrawingContext& context, const Rect& bounds, Control& control) {
    auto* canvas = dynamic_cast<render::Canvas*>(&context);
    if (canvas == nullptr) {
        return;
    }
    const State state = stateOf(control);
    const render::Image* source = imageOf(*this, key::src);
    int32_t imageWidth = 0;
    if (source != nullptr) {
        const int32_t eighth = source->height() / 8;
        const int32_t index = (state.checked ? 4 : 0) + stripIndex(state);
        source->drawStrip(*canvas, bounds.left, bounds.top, source->width(), eighth, index * eighth,
                          source->width(), eighth);
        imageWidth = source->width();
    }
    drawCheckCaption(*canvas, *this, bounds, control, imageWidth);
}

void Style_ComboBox::draw(DrawingContext& context, const Rect& bounds, Control& control) {
    auto* canvas = dynamic_cast<render::Canvas*>(&context);
    if (canvas == nullptr) {
        return;
    }
    drawSkin(*canvas, *this, bounds, control);
    Rect area = bounds;
    if (const render::Image* button = imageOf(*this, key::dropBtn)) {
        button->drawAt(*canvas, bounds.right - button->width(),
                       (bounds.top + bounds.bottom - button->height()) / 2);
        area.right -= button->width() + 2;
    }
    if (const std::u16string* text = control.findText(key::text)) {
        area.left += 12;
        render::drawTextVCentered(*canvas, area, *text, kBlack);
    }
}

void Style_Edit::draw(DrawingContext& context, const Rect& bounds, Control& control) {
    if (auto* canvas = dynamic_cast<render::Canvas*>(&context)) {
        const State state = stateOf(control);
        const AttributeKey skin = !state.enabled  ? key::disabledSkin
                                  : state.hovered ? key::overSkin
                                                  : key::upSkin;
        drawOver(*canvas, *this, imageOf(*this, skin), bounds);
    }
}

void Style_IconButton::draw(DrawingContext& context, const Rect& bounds, Control& control) {
    if (auto* canvas = dynamic_cast<render::Canvas*>(&context)) {
        drawSkin(*canvas, *this, bounds, control);
        drawIconAndCaption(*canvas, *this, bounds, control, key::icon, key::text);
    }
}

void Style_ToggleIconButton::draw(DrawingContext& context, const Rect& bounds, Control& control) {
    auto* canvas = dynamic_cast<render::Canvas*>(&context);
    if (canvas == nullptr) {
        return;
    }
    const State state = stateOf(control);
    drawOver(*canvas, *this,
             imageOf(*this, pickByState(state, key::disabledSkin, key::downSkin, key::overSkin,
                                        key::upSkin)),
             bounds);
    if (state.checked) {
        drawIconAndCaption(*canvas, *this, bounds, control, key::offIcon, key::offText);
    } else {
        drawIconAndCaption(*canvas, *this, bounds, control, key::icon, key::text);
    }
}

void Style_ToggleButton::draw(DrawingContext& context, const Rect& bounds, Control& control) {
    auto* canvas = dynamic_cast<render::Canvas*>(&context);
    if (canvas == nullptr) {
        return;
    }
    const State state = stateOf(control);
    const AttributeKey skin =
        state.checked
            ? pickByState(state, key::checkedDisabledSkin, key::checkedDownSkin,
                          key::checkedOverSkin, key::checkedUpSkin)
            : pickByState(state, key::disabledSkin, key::downSkin, key::overSkin, key::upSkin);
    if (const render::Image* image = imageOf(*this, skin)) {
        image->drawStretched(*canvas, bounds.left, bounds.top, bounds.right, bounds.bottom);
    }
}

namespace {

// One arrow of a scroll bar, by its own pressed and hover bits.
void drawArrow(render::Canvas& canvas, const Object& style, const Rect& where, bool enabled,
               bool pressed, bool hovered, const AttributeKey (&skins)[4]) {
    const AttributeKey skin = !enabled  ? skins[0]
                              : pressed ? skins[1]
                              : hovered ? skins[2]
                                        : skins[3];
    if (const render::Image* image = imageOf(style, skin)) {
        image->drawStretched(canvas, where.left, where.top, where.right, where.bottom);
    }
}

void drawScrollThumb(render::Canvas& canvas, const Object& style, const Rect& thumb,
                     uint32_t parts) {
    AttributeKey skin = key::thumbUpSkin;
    AttributeKey icon = key::thumbUpIcon;
    if (parts & dui::ScrollBar::ThumbPressed) {
        skin = key::thumbDownSkin;
        icon = key::thumbDownIcon;
    } else if (parts & dui::ScrollBar::ThumbHovered) {
        skin = key::thumbOverSkin;
        icon = key::thumbOverIcon;
    }
    if (const render::Image* image = imageOf(style, skin)) {
        Rect grid;
        style.getRect(key::thumbScaleGrid, grid);
        image->drawScaleGrid(canvas, thumb.left + 1, thumb.top, thumb.right - 1, thumb.bottom,
                             grid.left, grid.top, grid.right, grid.bottom);
    }
    if (const render::Image* image = imageOf(style, icon)) {
        const int32_t left = (thumb.left + thumb.right - image->width()) / 2;
        const int32_t top = (thumb.top + thumb.bottom - image->height()) / 2;
        image->drawStretched(canvas, left, top, left + image->width(), top + image->height());
    }
}

// A band of the image's own height, centred across the bounds, from left to right.
void drawBand(render::Canvas& canvas, const render::Image* image, const Rect& grid, int32_t left,
              int32_t right, const Rect& bounds) {
    if (image == nullptr) {
        return;
    }
    const int32_t top = (bounds.top + bounds.bottom - image->height()) / 2;
    image->drawScaleGrid(canvas, left, top, right, top + image->height(), grid.left, grid.top,
                         grid.right, grid.bottom);
}

}  // namespace

void Style_ScrollBar::draw(DrawingContext& context, const Rect& bounds, Control& control) {
    auto* canvas = dynamic_cast<render::Canvas*>(&context);
    if (canvas == nullptr) {
        return;
    }
    drawOver(*canvas, *this, imageOf(*this, key::barSkin), bounds);
    auto* bar = dynamic_cast<ScrollBar*>(&control);
    if (bar == nullptr) {
        return;
    }
    // The bar keeps its parts in its own coordinates.
    const auto placed = [&bounds](const Rect& own) {
        return own.offsetBy(bounds.left, bounds.top);
    };
    const bool enabled = bar->isEnabled();
    const uint32_t parts = bar->partState();
    static const AttributeKey upSkins[4] = {key::upArrowDisabledSkin, key::upArrowDownSkin,
                                            key::upArrowOverSkin, key::upArrowUpSkin};
    static const AttributeKey downSkins[4] = {key::downArrowDisabledSkin, key::downArrowDownSkin,
                                              key::downArrowOverSkin, key::downArrowUpSkin};
    drawArrow(*canvas, *this, placed(bar->upArrowRect()), enabled,
              (parts & ScrollBar::UpArrowPressed) != 0, (parts & ScrollBar::UpArrowHovered) != 0,
              upSkins);
    drawArrow(*canvas, *this, placed(bar->downArrowRect()), enabled,
              (parts & ScrollBar::DownArrowPressed) != 0,
              (parts & ScrollBar::DownArrowHovered) != 0, downSkins);
    if (enabled) {
        drawScrollThumb(*canvas, *this, placed(bar->thumbRect()), parts);
    }
}

void Style_Slider::draw(DrawingContext& context, const Rect& bounds, Control& control) {
    auto* canvas = dynamic_cast<render::Canvas*>(&context);
    auto* slider = dynamic_cast<Slider*>(&control);
    if (canvas == nullptr || slider == nullptr) {
        return;
    }
    const Rect thumb = slider->thumbRect().offsetBy(bounds.left, bounds.top);
    // Bar after the thumb's centre, track before it, across the width even when vertical.
    const int32_t centre = (thumb.left + thumb.right) / 2;
    Rect grid;
    getRect(key::scaleGrid, grid);
    drawBand(*canvas, imageOf(*this, key::barSkin), grid, centre, bounds.right, bounds);
    drawBand(*canvas, imageOf(*this, key::trackSkin), grid, bounds.left, centre, bounds);
    const State state = stateOf(control);
    const AttributeKey skin = state.pressed   ? key::thumbDownSkin
                              : state.checked ? key::thumbOverSkin
                                              : key::thumbUpSkin;
    if (const render::Image* image = imageOf(*this, skin)) {
        image->drawStretched(*canvas, thumb.left, thumb.top, thumb.right, thumb.bottom);
    }
}

}  // namespace tamlo::dui
