#include "dui/layout/scroll_panel.h"

#include <algorithm>

#include "dui/controls/scroll_bar.h"
#include "dui/core/content_metrics.h"
#include "dui/layout/layout_math.h"

namespace tamlo::dui {
namespace {

constexpr int32_t kDefaultBarThickness = 17;

int32_t enumAttribute(const Control& control, AttributeKey key, EnumWord absent) {
    return control.getInt(key, enumValue(absent));
}

}  // namespace

ScrollPanel::~ScrollPanel() {
    // The bars are children and go with the other children; only forget them here.
    verticalBar_ = nullptr;
    horizontalBar_ = nullptr;
}

ScrollBar* ScrollPanel::createScrollBar() {
    return new ScrollBar();
}

int32_t ScrollPanel::verticalBarWidth() {
    Size skin;
    ContentMetrics* metrics = contentMetrics();
    if (metrics != nullptr && metrics->styleImageSize(u"vscrollbar.xml", key::barSkin, skin)) {
        return skin.width;
    }
    return kDefaultBarThickness;
}

int32_t ScrollPanel::horizontalBarHeight() {
    Size skin;
    ContentMetrics* metrics = contentMetrics();
    if (metrics != nullptr && metrics->styleImageSize(u"hscrollbar.xml", key::barSkin, skin)) {
        return skin.height;
    }
    return kDefaultBarThickness;
}

Control* ScrollPanel::content() const {
    Control* first = firstChild();
    return first == verticalBar_ || first == horizontalBar_ ? nullptr : first;
}

void ScrollPanel::removeBars() {
    for (ScrollBar** bar : {&verticalBar_, &horizontalBar_}) {
        if (*bar != nullptr) {
            ScrollBar* doomed = *bar;
            *bar = nullptr;
            removeChild(doomed);
            delete doomed;
        }
    }
}

void ScrollPanel::updateScrollBars(Control* content, int32_t width, int32_t height) {
    const int32_t v = enumAttribute(*this, key::scrollvertical, EnumWord::Auto);
    const int32_t hz = enumAttribute(*this, key::scrollhorizontal, EnumWord::Never);
    const int32_t never = enumValue(EnumWord::Never);
    const int32_t automatic = enumValue(EnumWord::Auto);
    verticalShown_ = v == enumValue(EnumWord::Always);
    horizontalShown_ = hz == enumValue(EnumWord::Always);
    const int32_t vw = verticalBarWidth();
    const int32_t hh = horizontalBarHeight();
    bool measured = false;
    if (content != nullptr) {
        if (v == never) {
            if (hz == automatic) {
                measured = true;
                horizontalShown_ = content->measure(kUnbounded, height).width > width;
                if (horizontalShown_) {
                    content->measure(kUnbounded, saturate(int64_t{height} - hh));
                }
            }
        } else if (hz == never) {
            if (v == automatic) {
                measured = true;
                verticalShown_ = content->measure(width, kUnbounded).height > height;
                if (verticalShown_) {
                    content->measure(saturate(int64_t{width} - vw), kUnbounded);
                }
            }
        } else {
            measured = true;
            const Size wanted = content->measure(kUnbounded, kUnbounded);
            if (wanted.width > width) {
                horizontalShown_ = true;
                verticalShown_ = verticalShown_ || wanted.height > int64_t{height} - hh;
            } else if (wanted.height > height) {
                verticalShown_ = true;
                horizontalShown_ = horizontalShown_ || wanted.width > int64_t{width} - vw;
            }
        }
        // A bar forced on or off leaves the content unmeasured above; measure it for the
        // viewport so it is not laid out from a stale size.
        if (!measured) {
            content->measure(saturate(int64_t{width} - (verticalShown_ ? vw : 0)),
                             saturate(int64_t{height} - (horizontalShown_ ? hh : 0)));
        }
    }
    if (verticalShown_) {
        verticalBar_ = createScrollBar();
        verticalBar_->setVertical(true);
        addChild(verticalBar_);
        verticalBar_->measure(vw, saturate(int64_t{height} - (horizontalShown_ ? hh : 0)));
    }
    if (horizontalShown_) {
        horizontalBar_ = createScrollBar();
        horizontalBar_->setVertical(false);
        addChild(horizontalBar_);
        horizontalBar_->measure(saturate(int64_t{width} - (verticalShown_ ? vw : 0)), hh);
    }
}

Size ScrollPanel::arrangeContent(int32_t width, int32_t height) {
    // 1. The old bars go; their positions carry over to the new ones.
    const int32_t verticalPosition = verticalBar_ != nullptr ? verticalBar_->position() : 0;
    const int32_t horizontalPosition = horizontalBar_ != nullptr ? horizontalBar_->position() : 0;
    removeBars();
    Control* contentChild = content();

    // 2. Decide which bars the content needs and make them.
    updateScrollBars(contentChild, width, height);

    // 3. The viewport is what the bars leave.
    const int32_t vw = verticalBarWidth();
    const int32_t hh = horizontalBarHeight();
    const int64_t viewportWidth = int64_t{width} - (verticalShown_ ? vw : 0);
    const int64_t viewportHeight = int64_t{height} - (horizontalShown_ ? hh : 0);

    // 4. The bars along the right and bottom edges.
    if (verticalBar_ != nullptr) {
        verticalBar_->arrange(Rect{saturate(int64_t{width} - vw), 0, width,
                                   saturate(int64_t{height} - (horizontalShown_ ? hh : 0))});
    }
    if (horizontalBar_ != nullptr) {
        horizontalBar_->arrange(Rect{0, saturate(int64_t{height} - hh),
                                     saturate(int64_t{width} - (verticalShown_ ? vw : 0)), height});
    }

    // 5. The content at least as large as the viewport.
    int64_t contentWidth = viewportWidth;
    int64_t contentHeight = viewportHeight;
    if (contentChild != nullptr) {
        contentWidth = std::max<int64_t>(contentChild->desiredSize().width, viewportWidth);
        contentHeight = std::max<int64_t>(contentChild->desiredSize().height, viewportHeight);
        contentChild->arrange(Rect{0, 0, saturate(contentWidth), saturate(contentHeight)});
        contentRect_ = contentChild->rect();
    } else {
        contentRect_ = Rect{};
    }

    // 6. Tell the bars their extents.
    if (verticalBar_ != nullptr) {
        verticalBar_->setTotal(saturate(contentHeight));
        verticalBar_->setPage(horizontalShown_ ? saturate(int64_t{height} - hh) : height);
        verticalBar_->EnsurePosition(verticalBar_->position());
    }
    if (horizontalBar_ != nullptr) {
        horizontalBar_->setTotal(saturate(contentWidth));
        horizontalBar_->setPage(verticalShown_ ? saturate(int64_t{width} - vw) : width);
        horizontalBar_->EnsurePosition(horizontalBar_->position());
    }

    // 7. Back to the remembered positions, clamped to the new range; this shifts the content.
    if (verticalBar_ != nullptr) {
        verticalBar_->EnsurePosition(verticalPosition);
    }
    if (horizontalBar_ != nullptr) {
        horizontalBar_->EnsurePosition(horizontalPosition);
    }
    return Size{width, height};
}

void ScrollPanel::scrollHorizontal(int32_t position) {
    Control* contentChild = content();
    if (!horizontalShown_ || horizontalBar_ == nullptr || contentChild == nullptr) {
        return;
    }
    horizontalBar_->EnsurePosition(position);
    if (horizontalBar_ == nullptr) {
        return;
    }
    const int64_t left = int64_t{contentRect_.left} - horizontalBar_->position();
    const Rect moved{saturate(left), contentChild->rect().top,
                     saturate(left + contentRect_.width()), contentChild->rect().bottom};
    contentChild->setRect(moved);
    invalidate(false);
}

void ScrollPanel::scrollVertical(int32_t position) {
    Control* contentChild = content();
    if (!verticalShown_ || verticalBar_ == nullptr || contentChild == nullptr) {
        return;
    }
    verticalBar_->EnsurePosition(position);
    if (verticalBar_ == nullptr) {
        return;
    }
    const int64_t top = int64_t{contentRect_.top} - verticalBar_->position();
    const Rect moved{contentChild->rect().left, saturate(top), contentChild->rect().right,
                     saturate(top + contentRect_.height())};
    contentChild->setRect(moved);
    invalidate(false);
}

}  // namespace tamlo::dui
