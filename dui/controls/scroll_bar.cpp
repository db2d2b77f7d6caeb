#include "dui/controls/scroll_bar.h"

#include <algorithm>

#include "dui/core/content_metrics.h"
#include "dui/layout/scroll_panel.h"
#include "platform/debug_sink.h"

namespace tamlo::dui {

ScrollBar::ScrollBar() {
    setFlags(ControlFlag::RepaintOnMouse | ControlFlag::CaptureOnPress, true);
}

std::u16string ScrollBar::styleName() const {
    const std::u16string* own = findText(key::style);
    ContentMetrics* metrics = contentMetrics();
    if (own != nullptr && metrics != nullptr && metrics->styleExists(*own)) {
        return *own;
    }
    return u"vscrollbar.xml";
}

void ScrollBar::EnsurePosition(int32_t p) {
    if (!isAlive()) {
        debugOutput("ScrollBar::EnsurePosition UnExpected Error.");
        return;
    }
    const bool scrollable = page_ < total_;
    if (isEnabled() != scrollable) {
        setFlags(ControlFlag::Enabled, scrollable);
        invalidate(false);
    }
    int32_t clamped = scrollable ? std::max(p, 0) : 0;
    clamped = std::min(clamped, std::max(total_ - page_, 0));
    if (clamped == position_) {
        return;
    }
    position_ = clamped;
    auto* panel = dynamic_cast<ScrollPanel*>(parent());
    if (panel != nullptr && panel->isAlive()) {
        if (isVertical()) {
            panel->scrollVertical(position_);
        } else {
            panel->scrollHorizontal(position_);
        }
    }
    invalidate(false);
}

Rect ScrollBar::thumbRect() const {
    constexpr int64_t kShortestThumb = 20;
    const int64_t trackStart = isVertical() ? upArrow_.bottom : upArrow_.right;
    const int64_t trackLength = (isVertical() ? downArrow_.top : downArrow_.left) - trackStart;
    // Nothing to scroll (or no content at all) leaves the thumb over the whole track.
    const int64_t shown = total_ > 0 ? int64_t{page_} * trackLength / total_ : trackLength;
    const int64_t length = std::max(shown + 1, kShortestThumb);
    const int64_t range = int64_t{total_} - page_;
    const int64_t offset = range > 0 ? (trackLength - length) * position_ / range : 0;
    const auto start = static_cast<int32_t>(trackStart + offset);
    const auto end = static_cast<int32_t>(trackStart + offset + length);
    if (isVertical()) {
        return Rect{0, start, rect().width(), end};
    }
    return Rect{start, 0, end, rect().height()};
}

Size ScrollBar::arrangeContent(int32_t width, int32_t height) {
    Size a;
    Size b;
    if (ContentMetrics* metrics = contentMetrics()) {
        const std::u16string style = styleName();
        metrics->styleImageSize(style, key::upArrowUpSkin, a);
        metrics->styleImageSize(style, key::downArrowUpSkin, b);
    }
    if (isVertical()) {
        const int32_t upLeft = (width - a.width) / 2;
        upArrow_ = Rect{upLeft, 0, upLeft + a.width, a.height};
        const int32_t downLeft = (width - b.width) / 2;
        downArrow_ = Rect{downLeft, height - b.height, downLeft + b.width, height};
    } else {
        const int32_t upTop = (height - a.height) / 2;
        upArrow_ = Rect{0, upTop, a.width, upTop + a.height};
        const int32_t downTop = (height - b.height) / 2;
        downArrow_ = Rect{width - b.width, downTop, width, downTop + b.height};
    }
    return Size{width, height};
}

}  // namespace tamlo::dui
