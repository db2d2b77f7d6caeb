#include "dui/layout/scroll_panel.h"

#include <algorithm>

#include "dui/controls/scroll_bar.h"
#include "dui/core/content_metrics.h"
#include "dui/layout/layout_math.h"
#include "dui/layout/line_scrolled.h"

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
    if (contentChild != nullptr && dynamic_cast<LineScrolled*>(contentChild) != nullptr) {
        return arrangeLineContent(*contentChild, width, height);
    }

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

Size ScrollPanel::arrangeLineContent(Control& contentChild, int32_t width, int32_t height) {
    auto& lines = dynamic_cast<LineScrolled&>(contentChild);
    arrangingLines_ = true;
    const int32_t v = enumAttribute(*this, key::scrollvertical, EnumWord::Auto);
    const int32_t barWidth = verticalBarWidth();
    horizontalShown_ = false;
    verticalShown_ = v == enumValue(EnumWord::Always);
    if (v == enumValue(EnumWord::Auto)) {
        // Whether the lines fit is known once they are wrapped at the full width.
        contentChild.measure(width, height);
        contentChild.arrange(Rect{0, 0, width, height});
        verticalShown_ = lines.scrollLineCount() > lines.scrollPageLines();
    }
    const int32_t viewportWidth = verticalShown_ ? std::max(0, width - barWidth) : width;
    contentChild.measure(viewportWidth, height);
    contentChild.arrange(Rect{0, 0, viewportWidth, height});
    contentRect_ = contentChild.rect();
    if (verticalShown_) {
        verticalBar_ = createScrollBar();
        verticalBar_->setVertical(true);
        verticalBar_->addHandler(EventCode::Notify, this, &ScrollPanel::onLineBarNotify);
        addChild(verticalBar_);
        verticalBar_->measure(barWidth, height);
        verticalBar_->arrange(Rect{viewportWidth, 0, width, height});
    }
    arrangingLines_ = false;
    lineContentScrolled();
    return Size{width, height};
}

void ScrollPanel::lineContentScrolled() {
    auto* lines = dynamic_cast<LineScrolled*>(content());
    if (lines == nullptr || arrangingLines_) {
        return;
    }
    const bool automatic =
        enumAttribute(*this, key::scrollvertical, EnumWord::Auto) == enumValue(EnumWord::Auto);
    if (automatic && (lines->scrollLineCount() > lines->scrollPageLines()) != verticalShown_) {
        // The text grew past the viewport or shrank into it: lay out again with or
        // without the bar.
        arrangeContent(rect().width(), rect().height());
        invalidate(false);
        return;
    }
    ScrollBar* bar = verticalBar_;
    if (bar == nullptr) {
        return;
    }
    const int32_t total = std::max(0, lines->scrollLineCount());
    const int32_t page = std::max(1, lines->scrollPageLines());
    if (bar->total() != total || bar->page() != page) {
        bar->setTotal(total);
        bar->setPage(page);
        bar->invalidate(false);
    }
    bar->EnsurePosition(lines->scrollFirstLine());
}

void ScrollPanel::onLineBarNotify(void* self, Control* sender, Event& event) {
    auto* panel = static_cast<ScrollPanel*>(self);
    ScrollBar* bar = panel->verticalBar_;
    if (bar == nullptr || sender != bar) {
        return;
    }
    const int64_t position = bar->position();
    int64_t wanted = position;
    switch (static_cast<uint32_t>(event.wParam)) {
        case ScrollBar::LineBack:
            wanted = position - 1;
            break;
        case ScrollBar::LineForward:
            wanted = position + 1;
            break;
        case ScrollBar::PageBack:
            wanted = position - bar->page();
            break;
        case ScrollBar::PageForward:
            wanted = position + bar->page();
            break;
        case ScrollBar::ThumbDragged:
            wanted = event.lParam;
            break;
        default:
            return;
    }
    event.handled = 1;
    bar->EnsurePosition(saturate(wanted));
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
    if (auto* lines = dynamic_cast<LineScrolled*>(contentChild)) {
        // The content moves itself; it reports back through lineContentScrolled.
        verticalBar_->EnsurePosition(position);
        if (verticalBar_ != nullptr && lines->scrollFirstLine() != verticalBar_->position()) {
            lines->scrollToLine(verticalBar_->position());
        }
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
