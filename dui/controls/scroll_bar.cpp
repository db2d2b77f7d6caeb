#include "dui/controls/scroll_bar.h"

#include <algorithm>
#include <cstdint>

#include "dui/core/content_metrics.h"
#include "dui/core/drawing.h"
#include "dui/layout/scroll_panel.h"
#include "platform/debug_sink.h"
#include "platform/windowing/messages.h"

namespace tamlo::dui {
namespace {

constexpr uint32_t kHoverParts =
    ScrollBar::UpArrowHovered | ScrollBar::DownArrowHovered | ScrollBar::ThumbHovered;

}  // namespace

ScrollBar::ScrollBar() {
    setFlags(ControlFlag::RepaintOnMouse | ControlFlag::CaptureOnPress, true);
    addHandler(EventCode::LButtonDown, this, &ScrollBar::onLButtonDown);
    addHandler(EventCode::MouseMove, this, &ScrollBar::onMouseMove);
    addHandler(EventCode::LostCapture, this, &ScrollBar::onLostCapture);
    addHandler(EventCode::MouseLeave, this, &ScrollBar::onMouseLeave);
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
    // Without its image an arrow is a square as thick as the bar, so the bar keeps two
    // usable arrows and a track between them.
    const int32_t thickness = std::max(isVertical() ? width : height, 0);
    Size a{thickness, thickness};
    Size b{thickness, thickness};
    if (ContentMetrics* metrics = contentMetrics()) {
        const std::u16string style = styleName();
        Size image;
        if (metrics->styleImageSize(style, key::upArrowUpSkin, image)) {
            a = image;
        }
        if (metrics->styleImageSize(style, key::downArrowUpSkin, image)) {
            b = image;
        }
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

void ScrollBar::paint(DrawingContext& context, const Rect& bounds, const Rect&) {
    if (StyleLookup* lookup = styleLookup()) {
        const std::u16string style = styleName();
        lookup->drawStyle(style, context, bounds, *this);
    }
}

uint32_t ScrollBar::hitPart(Point p) const {
    if (upArrow_.contains(p)) {
        return UpArrowPressed;
    }
    if (downArrow_.contains(p)) {
        return DownArrowPressed;
    }
    const Rect thumb = thumbRect();
    if (thumb.contains(p)) {
        return ThumbPressed;
    }
    if (isVertical()) {
        if (Rect{upArrow_.left, upArrow_.bottom, upArrow_.right, thumb.top}.contains(p)) {
            return TrackBeforePressed;
        }
        if (Rect{downArrow_.left, thumb.bottom, downArrow_.right, downArrow_.top}.contains(p)) {
            return TrackAfterPressed;
        }
        return NoPart;
    }
    if (Rect{upArrow_.right, upArrow_.top, thumb.left, upArrow_.bottom}.contains(p)) {
        return TrackBeforePressed;
    }
    if (Rect{thumb.right, downArrow_.top, downArrow_.left, downArrow_.bottom}.contains(p)) {
        return TrackAfterPressed;
    }
    return NoPart;
}

bool ScrollBar::localPoint(std::intptr_t lParam, Point& out) const {
    Rect area;
    if (!absoluteRect(area)) {
        return false;
    }
    const Point at = platform::pointFromLParam(lParam);
    out = Point{at.x - area.left, at.y - area.top};
    return true;
}

void ScrollBar::request(uint32_t what, std::intptr_t position) {
    raiseEvent(EventCode::Notify, Direct, what, position);
}

void ScrollBar::onLButtonDown(void* self, Control*, Event& event) {
    auto* bar = static_cast<ScrollBar*>(self);
    Point p;
    if (!bar->localPoint(event.lParam, p)) {
        return;
    }
    const uint32_t part = bar->hitPart(p);
    bar->partState_ = (bar->partState_ & ~kPressedParts) | part;
    if (part == ThumbPressed) {
        const Rect thumb = bar->thumbRect();
        bar->dragOffset_ = bar->isVertical() ? thumb.top - p.y : thumb.left - p.x;
    } else if (part != NoPart) {
        bar->timer_.start();  // the first step happens now
    }
    bar->invalidate(false);
}

void ScrollBar::repeatStep() {
    const uint32_t pressed = partState_ & kPressedParts;
    if (pressed == UpArrowPressed) {
        request(LineBack);
    } else if (pressed == DownArrowPressed) {
        request(LineForward);
    } else if (pressed == TrackBeforePressed || pressed == TrackAfterPressed) {
        // Paging stops once the moving thumb reaches the cursor.
        Point p;
        if (cursorToLocal(p) && hitPart(p) == pressed) {
            request(pressed == TrackBeforePressed ? PageBack : PageForward);
        }
    }
}

void ScrollBar::onMouseMove(void* self, Control*, Event& event) {
    auto* bar = static_cast<ScrollBar*>(self);
    Point p;
    if (!bar->localPoint(event.lParam, p)) {
        return;
    }
    if (!bar->hasFlags(ControlFlag::Captured)) {
        const uint32_t hover = bar->hitPart(p) / 16;
        if (hover != bar->partState_) {
            bar->partState_ = hover;
            bar->invalidate(false);
        }
        return;
    }
    const uint32_t pressed = bar->partState_ & kPressedParts;
    if (pressed == ThumbPressed) {
        const Rect thumb = bar->thumbRect();
        const bool vertical = bar->isVertical();
        const int64_t length = vertical ? bar->rect().height() : bar->rect().width();
        const int64_t upLength = vertical ? bar->upArrow_.height() : bar->upArrow_.width();
        const int64_t downLength = vertical ? bar->downArrow_.height() : bar->downArrow_.width();
        const int64_t thumbLength = vertical ? thumb.height() : thumb.width();
        const int64_t range = length - upLength - downLength - thumbLength;
        if (range <= 0) {
            return;
        }
        const int64_t cursor = vertical ? p.y : p.x;
        const int64_t wanted =
            (int64_t{bar->total_} - bar->page_) * (cursor + bar->dragOffset_ - upLength) / range;
        // The receiver clamps through EnsurePosition; keep the figure inside 32 bits.
        const int64_t limited = std::clamp<int64_t>(wanted, INT32_MIN, INT32_MAX);
        bar->request(ThumbDragged, static_cast<std::intptr_t>(limited));
        return;
    }
    if (pressed == NoPart) {
        return;
    }
    // Leaving the pressed part pauses the repeat; coming back resumes it.
    if (bar->hitPart(p) == pressed) {
        bar->timer_.start();
    } else {
        bar->timer_.stop();
    }
}

void ScrollBar::onLostCapture(void* self, Control*, Event&) {
    auto* bar = static_cast<ScrollBar*>(self);
    // A thumb drag runs no timer; either way the press is over and no longer shows.
    bar->timer_.stop();
    bar->partState_ &= ~kPressedParts;
    bar->invalidate(false);
}

void ScrollBar::onMouseLeave(void* self, Control*, Event&) {
    auto* bar = static_cast<ScrollBar*>(self);
    bar->partState_ &= ~kHoverParts;
    bar->invalidate(false);
}

}  // namespace tamlo::dui
