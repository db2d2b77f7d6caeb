#include "dui/controls/slider.h"

#include <algorithm>

#include "dui/core/content_metrics.h"
#include "dui/core/drawing.h"
#include "dui/core/host_window.h"
#include "platform/windowing/messages.h"

namespace tamlo::dui {
namespace {}  // namespace

Slider::Slider() {
    setFlags(ControlFlag::RepaintOnMouse | ControlFlag::CaptureOnPress |
                 ControlFlag::ClearFocusOnPress | ControlFlag::WheelChangesValue,
             true);
    addHandler(EventCode::LButtonDown, this, &Slider::onLButtonDown);
    addHandler(EventCode::MouseMove, this, &Slider::onMouseMove);
    addHandler(EventCode::MouseLeave, this, &Slider::onMouseLeave);
    addHandler(EventCode::MouseWheel, this, &Slider::onMouseWheel);
}

void Slider::setValue(int32_t value) {
    const int32_t clamped = std::max(0, std::min(value, maximum_));
    if (clamped == value_) {
        return;
    }
    value_ = clamped;
    raiseEvent(EventCode::ValueChange, Direct);
    invalidate(false);
}

void Slider::setValueFromPoint(Point client) {
    Rect area;
    if (!absoluteRect(area)) {
        return;
    }
    const Size thumb = thumbSize();
    int64_t start = 0;
    int64_t end = 0;
    int64_t at = 0;
    if (isVertical()) {
        start = area.top + thumb.height / 2;
        end = area.bottom - thumb.height / 2;
        at = client.y;
    } else {
        start = area.left + thumb.width / 2;
        end = area.right - thumb.width / 2;
        at = client.x;
    }
    // A slider no longer than its thumb has no travel: its start stands for everything.
    const int64_t value = end > start ? (at - start) * maximum_ / (end - start) : 0;
    setValue(static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)));
}

void Slider::onLButtonDown(void* self, Control*, Event& event) {
    static_cast<Slider*>(self)->setValueFromPoint(platform::pointFromLParam(event.lParam));
    event.handled = 1;
}

void Slider::onMouseMove(void* self, Control*, Event& event) {
    auto* slider = static_cast<Slider*>(self);
    const Point client = platform::pointFromLParam(event.lParam);
    if (slider->hasFlags(ControlFlag::Captured)) {
        slider->setValueFromPoint(client);
        return;
    }
    Rect area;
    if (!slider->absoluteRect(area)) {
        return;
    }
    const Rect thumb = slider->thumbRect().offsetBy(area.left, area.top);
    slider->setFlags(ControlFlag::Checked, thumb.contains(client));
    slider->invalidate(false);
}

void Slider::onMouseLeave(void* self, Control*, Event&) {
    static_cast<Slider*>(self)->setFlags(ControlFlag::Checked, false);
}

void Slider::onMouseWheel(void* self, Control*, Event& event) {
    auto* slider = static_cast<Slider*>(self);
    if (!slider->hasFlags(ControlFlag::WheelChangesValue)) {
        return;
    }
    const auto delta = platform::signedHighWord(event.wParam);
    slider->setValue(slider->value_ + delta / 60);
    if (HostWindow* window = slider->window()) {
        const Point cursor = window->cursorPosition();
        window->postToWindow(
            win32::WM_MOUSEMOVE, 0,
            static_cast<std::intptr_t>((cursor.x & 0xFFFF) | ((cursor.y & 0xFFFF) << 16)));
    }
}

Size Slider::thumbSize() const {
    Size thumb;
    ContentMetrics* metrics = contentMetrics();
    if (metrics != nullptr && metrics->styleImageSize(styleName(), key::thumbUpSkin, thumb)) {
        return thumb;
    }
    const Rect& own = rect();
    return isVertical() ? Size{own.width(), kDefaultThumbLength}
                        : Size{kDefaultThumbLength, own.height()};
}

void Slider::paint(DrawingContext& context, const Rect& bounds, const Rect&) {
    if (StyleLookup* lookup = styleLookup()) {
        const std::u16string style = styleName();
        lookup->drawStyle(style, context, bounds, *this);
    }
}

bool Slider::isVertical() const {
    // Unlike a StackPanel, a slider is horizontal unless told otherwise.
    return getInt(key::orientation, 0) == enumValue(EnumWord::Vertical);
}

std::u16string Slider::styleName() const {
    const std::u16string* own = findText(key::style);
    ContentMetrics* metrics = contentMetrics();
    if (own != nullptr && metrics != nullptr && metrics->styleExists(*own)) {
        return *own;
    }
    return u"slider.xml";
}

Rect Slider::thumbRect() const {
    const Size thumb = thumbSize();
    const Rect& own = rect();
    // A maximum of 0 or less keeps the thumb at the start rather than dividing by it.
    const auto placed = [this](int32_t travel) {
        return maximum_ > 0 ? static_cast<int32_t>(int64_t{travel} * value_ / maximum_) : 0;
    };
    if (isVertical()) {
        const int32_t top = placed(own.height() - 2 * (thumb.height / 2));
        return Rect{0, top, own.width(), top + thumb.height};
    }
    const int32_t left = placed(own.width() - 2 * (thumb.width / 2));
    return Rect{left, 0, left + thumb.width, own.height()};
}

Size Slider::measureContent(int32_t availableWidth, int32_t availableHeight) {
    Size thumb;
    ContentMetrics* metrics = contentMetrics();
    if (metrics == nullptr || !metrics->styleImageSize(styleName(), key::thumbUpSkin, thumb)) {
        return Size{availableWidth, availableHeight};
    }
    if (isVertical()) {
        return Size{thumb.width, availableHeight};
    }
    return Size{availableWidth, thumb.height};
}

}  // namespace tamlo::dui
