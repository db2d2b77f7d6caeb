#include "dui/controls/static_controls.h"

#include "dui/core/content_metrics.h"

namespace tamlo::dui {

Seperator::Seperator() {
    setFlags(ControlFlag::Transparent, true);
}

Drawing::Drawing() {
    setFlags(ControlFlag::Transparent, true);
}

Size Drawing::measureContent(int32_t, int32_t) {
    const std::u16string* source = findText(key::src);
    ContentMetrics* metrics = contentMetrics();
    Size size;
    if (source == nullptr || metrics == nullptr || !metrics->imageSize(*source, size)) {
        return Size{0, 0};
    }
    return size;
}

ProgressBar::ProgressBar() {
    setFlags(ControlFlag::Transparent, true);
}

}  // namespace tamlo::dui
