#include "dui/controls/slider.h"

#include "dui/core/content_metrics.h"

namespace tamlo::dui {

Slider::Slider() {
    setFlags(ControlFlag::RepaintOnMouse | ControlFlag::CaptureOnPress |
                 ControlFlag::ClearFocusOnPress | ControlFlag::WheelChangesValue,
             true);
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
    Size thumb;
    if (ContentMetrics* metrics = contentMetrics()) {
        metrics->styleImageSize(styleName(), key::thumbUpSkin, thumb);
    }
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
