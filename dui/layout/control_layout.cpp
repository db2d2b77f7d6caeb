// The two layout passes every control shares; panels hand space to their children
// through measureContent and arrangeContent.
#include <algorithm>

#include "dui/core/control.h"
#include "dui/layout/layout_math.h"

namespace tamlo::dui {
namespace {

Rect marginOf(const Control& control) {
    Rect margin;
    control.getRect(key::margin, margin);
    return margin;
}

}  // namespace

Size Control::measure(int32_t availableWidth, int32_t availableHeight) {
    if (!isAlive()) {
        return Size{0, 0};
    }
    if (hasFlags(ControlFlag::Collapsed)) {
        desiredSize_ = Size{0, 0};
        return desiredSize_;
    }
    const Rect m = marginOf(*this);
    const int64_t marginWidth = int64_t{m.left} + m.right;
    const int64_t marginHeight = int64_t{m.top} + m.bottom;
    const int64_t aw = availableWidth - marginWidth;
    const int64_t ah = availableHeight - marginHeight;
    if (aw <= 0 || ah <= 0) {
        desiredSize_ = Size{0, 0};
        return desiredSize_;
    }
    const int32_t width = getInt(key::width, -1);
    const int32_t height = getInt(key::height, -1);
    const Size content =
        measureContent(width != -1 ? width : saturate(aw), height != -1 ? height : saturate(ah));
    // An explicit size wins over the content and may exceed what is available.
    desiredSize_ = Size{saturate((width != -1 ? width : content.width) + marginWidth),
                        saturate((height != -1 ? height : content.height) + marginHeight)};
    return desiredSize_;
}

void Control::arrange(const Rect& slot) {
    if (!isAlive()) {
        rect_ = Rect{};
        return;
    }
    const Rect m = marginOf(*this);
    const int64_t marginWidth = int64_t{m.left} + m.right;
    const int64_t marginHeight = int64_t{m.top} + m.bottom;
    const int64_t aw = int64_t{slot.right} - slot.left - marginWidth;
    const int64_t ah = int64_t{slot.bottom} - slot.top - marginHeight;
    if (aw <= 0 || ah <= 0) {
        rect_ = Rect{};
        return;
    }
    const int64_t dw = desiredSize_.width - marginWidth;
    const int64_t dh = desiredSize_.height - marginHeight;

    // 1. The size: the slot's, or the desired one when larger or when not stretching;
    //    an explicit width or height overrides both.
    const int32_t horizontal = getInt(key::horizontalAlign, enumValue(EnumWord::Stretch));
    const int32_t vertical = getInt(key::verticalAlign, enumValue(EnumWord::Stretch));
    const bool stretchH = horizontal == enumValue(EnumWord::Stretch);
    const bool stretchV = vertical == enumValue(EnumWord::Stretch);
    int64_t w = stretchH ? std::max(aw, dw) : dw;
    int64_t h = stretchV ? std::max(ah, dh) : dh;
    const int32_t width = getInt(key::width, -1);
    const int32_t height = getInt(key::height, -1);
    if (width != -1) {
        w = width;
    }
    if (height != -1) {
        h = height;
    }

    // 2. The content decides its final size.
    const Size final = arrangeContent(saturate(w), saturate(h));
    if (final.width <= 0 || final.height <= 0) {
        rect_ = Rect{};
        return;
    }

    // 3. Place it in the slot's inner box; never left of or above that box.
    const int64_t innerLeft = int64_t{slot.left} + m.left;
    const int64_t innerTop = int64_t{slot.top} + m.top;
    const int64_t innerRight = int64_t{slot.right} - m.right;
    const int64_t innerBottom = int64_t{slot.bottom} - m.bottom;
    int64_t left = innerLeft;
    if (horizontal == enumValue(EnumWord::Center) || stretchH) {
        left = (innerLeft + innerRight - final.width) / 2;
    } else if (horizontal == enumValue(EnumWord::Right)) {
        left = innerRight - final.width;
    }
    left = std::max(left, innerLeft);
    int64_t top = innerTop;
    if (vertical == enumValue(EnumWord::Center) || stretchV) {
        top = (innerTop + innerBottom - final.height) / 2;
    } else if (vertical == enumValue(EnumWord::Bottom)) {
        top = innerBottom - final.height;
    }
    top = std::max(top, innerTop);
    rect_ = Rect{saturate(left), saturate(top), saturate(left + final.width),
                 saturate(top + final.height)};
}

}  // namespace tamlo::dui
