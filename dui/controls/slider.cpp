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
