#include "dui/layout/tab_control.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "dui/controls/tab_item.h"
#include "dui/core/drawing.h"
#include "dui/layout/layout_math.h"

namespace tamlo::dui {
namespace {

Control* pageOf(Control* child) {
    auto* item = dynamic_cast<TabItem*>(child);
    return item != nullptr ? item->page() : nullptr;
}

int64_t tickMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

TabControl::Placement TabControl::placement() const {
    const int32_t value = getInt(key::tabPlacement, enumValue(EnumWord::Top));
    if (value == enumValue(EnumWord::Top)) {
        return Placement::Top;
    }
    return value == enumValue(EnumWord::Left) ? Placement::Left : Placement::Other;
}

TabItem* TabControl::selectedItem() const {
    // Compare addresses only: a removed item may no longer exist.
    for (Control* child = firstChild(); child != nullptr; child = child->nextSibling()) {
        if (child == selected_) {
            return selected_;
        }
    }
    return nullptr;
}

int32_t TabControl::indexOf(const Control* child) const {
    int32_t index = 0;
    for (Control* node = firstChild(); node != nullptr; node = node->nextSibling(), ++index) {
        if (node == child) {
            return index;
        }
    }
    return -1;
}

Size TabControl::measureContent(int32_t availableWidth, int32_t availableHeight) {
    if (childCount() == 0) {
        return Size{0, 0};
    }
    tabHeight_ = getInt(key::tabHeight, 0);
    const Placement where = placement();
    if (where == Placement::Other) {
        return Size{0, 0};
    }
    const bool top = where == Placement::Top;
    int64_t strip = 0;
    int32_t pageWidth = 0;
    int32_t pageHeight = 0;
    for (Control* item : childList()) {
        if (top) {
            strip += item->measure(availableWidth, tabHeight_).width;
        } else {
            strip += item->measure(tabHeight_, availableHeight).height;
        }
        if (Control* page = pageOf(item)) {
            page->setParentLink(this);
            const Size desired =
                top ? page->measure(availableWidth, saturate(int64_t{availableHeight} - tabHeight_))
                    : page->measure(saturate(int64_t{availableWidth} - tabHeight_),
                                    availableHeight);
            pageWidth = std::max(pageWidth, desired.width);
            pageHeight = std::max(pageHeight, desired.height);
        }
    }
    if (top) {
        return Size{saturate(std::max<int64_t>(strip, pageWidth)),
                    saturate(int64_t{pageHeight} + tabHeight_)};
    }
    return Size{saturate(int64_t{pageWidth} + tabHeight_),
                saturate(std::max<int64_t>(strip, pageHeight))};
}

Size TabControl::arrangeContent(int32_t width, int32_t height) {
    if (selectedItem() == nullptr) {
        selected_ = nullptr;
        selectTab(dynamic_cast<TabItem*>(firstChild()));
    }
    const Placement where = placement();
    if (where == Placement::Other) {
        return Size{width, height};
    }
    const bool top = where == Placement::Top;
    if (top) {
        tabStripRect_ = Rect{0, 0, width, tabHeight_};
        pageRect_ = Rect{0, tabHeight_, width, height};
    } else {
        tabStripRect_ = Rect{0, 0, tabHeight_, height};
        pageRect_ = Rect{tabHeight_, 0, width, height};
    }
    int64_t offset = 0;
    for (Control* item : childList()) {
        const Size desired = item->desiredSize();
        if (top) {
            item->arrange(Rect{saturate(offset), 0, saturate(offset + desired.width), tabHeight_});
            offset += desired.width;
        } else {
            item->arrange(Rect{0, saturate(offset), tabHeight_, saturate(offset + desired.height)});
            offset += desired.height;
        }
        if (Control* page = pageOf(item)) {
            page->setParentLink(this);
            page->arrange(pageRect_);
        }
    }
    return Size{width, height};
}

void TabControl::selectTab(TabItem* item) {
    TabItem* old = selectedItem();
    if (item == old) {
        return;
    }
    if (item != nullptr && item->parent() != this) {
        return;  // only a child of this control can be selected
    }
    const int32_t oldIndex = old != nullptr ? indexOf(old) : -1;
    if (old != nullptr) {
        old->setFlags(ControlFlag::Checked, false);
        old->raiseEvent(EventCode::ValueChange, Direct);
        old->invalidate(true);
    }
    // A handler of the event above may have taken the new item away.
    if (item != nullptr && item->parent() != this) {
        item = nullptr;
    }
    selected_ = item;
    if (item != nullptr) {
        item->setFlags(ControlFlag::Checked, true);
        raiseEvent(EventCode::ValueChange, Direct);
        if (old != nullptr && placement() == Placement::Top && selectedItem() == item &&
            item->page() != nullptr) {
            slideIn(item->page(), indexOf(item) > oldIndex);
        }
    }
    invalidate(false);
}

void TabControl::slideIn(Control* page, bool forward) {
    const int32_t pw = pageRect_.width();
    const int32_t pageTop = page->rect().top;
    const int32_t pageBottom = page->rect().bottom;
    for (int32_t frame = 0; frame < 10; ++frame) {
        Rect frameRect{0, pageTop, 0, pageBottom};
        if (forward) {
            const int32_t n = 10 - frame;
            frameRect.left = saturate(int64_t{n} * pw / 10);
            frameRect.right = saturate(pw + int64_t{n} * pw / 10);
        } else {
            frameRect.left =
                saturate(int64_t{pageRect_.left} - pageRect_.right + int64_t{frame} * pw / 10);
            frameRect.right = saturate(int64_t{frame} * pw / 10);
        }
        const int64_t started = tickMs();
        page->setRect(frameRect);
        page->invalidate(true);
        waitMs(saturate(10 - (tickMs() - started)));
    }
    page->setRect(pageRect_);
    invalidate(false);
}

void TabControl::waitMs(int32_t n) {
    if (n <= 0) {
        return;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    for (;;) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start);
        // Units of 1/1024 s, as the counter-based wait has always measured them.
        if (elapsed.count() * 1024 / 1000000000 >= n) {
            return;
        }
        std::this_thread::yield();
    }
}

void TabControl::paint(DrawingContext& context, const Rect& bounds, const Rect& clip) {
    const Rect strip = tabStripRect_.offsetBy(bounds.left, bounds.top);
    paintStyle(context, strip);
    auto paintClipped = [&](Control* child) {
        if (!child->isVisible() || child->hasFlags(ControlFlag::Collapsed)) {
            return;
        }
        const Rect childBounds = child->rect().offsetBy(bounds.left, bounds.top);
        const Rect visiblePart = intersection(childBounds, clip);
        if (visiblePart.isEmpty()) {
            return;
        }
        context.save();
        context.clipTo(visiblePart);
        child->paint(context, childBounds, visiblePart);
        context.restore();
    };
    for (Control* item : childList()) {
        paintClipped(item);
    }
    if (TabItem* item = selectedItem()) {
        if (item->page() != nullptr) {
            paintClipped(item->page());
        }
    }
}

Control* TabControl::hitTest(int32_t x, int32_t y) {
    if (Control::hitTest(x, y) == nullptr) {
        return nullptr;
    }
    const int32_t localX = x - rect().left;
    const int32_t localY = y - rect().top;
    if (tabStripRect_.contains(localX, localY)) {
        for (Control* item = lastChild(); item != nullptr; item = item->previousSibling()) {
            if (Control* hit = item->hitTest(localX, localY)) {
                return hit;
            }
        }
        return this;
    }
    TabItem* item = selectedItem();
    if (item == nullptr) {
        return this;
    }
    return item->page() != nullptr ? item->page()->hitTest(localX, localY) : nullptr;
}

}  // namespace tamlo::dui
