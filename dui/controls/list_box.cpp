#include "dui/controls/list_box.h"

#include <algorithm>

#include "dui/controls/list_item.h"
#include "dui/controls/scroll_bar.h"
#include "dui/core/host_window.h"
#include "dui/layout/layout_math.h"
#include "dui/layout/simple_panels.h"
#include "platform/debug_sink.h"
#include "platform/windowing/messages.h"

namespace tamlo::dui {

ListBox::ListBox() : itemPanel_(new StackPanel()) {
    itemPanel_->setInt(key::orientation, enumValue(EnumWord::Vertical));
    addChild(itemPanel_);
    addHandler(EventCode::PrevLButtonDown, this, &ListBox::onPrevLButtonDown);
    addHandler(EventCode::MouseWheel, this, &ListBox::onMouseWheel);
    addHandler(EventCode::KeyDown, this, &ListBox::onKeyDown);
}

int32_t ListBox::step() const {
    const int32_t own = getInt(key::itemHeight, 0);
    if (own > 0) {
        return own;
    }
    if (Control* first = itemPanel_->firstChild()) {
        const int32_t height = first->desiredSize().height;
        if (height > 0) {
            return height;
        }
    }
    return kDefaultStep;
}

// ---- items ----------------------------------------------------------------------------

int32_t ListBox::addItem(std::u16string_view text) {
    auto* item = new ListItem();
    item->setText(key::text, text);
    const int32_t own = getInt(key::itemHeight, 0);
    if (own > 0) {
        item->setInt(key::height, own);
    }
    addItemControl(item);
    return itemCount() - 1;
}

void ListBox::addItemControl(Control* item) {
    if (item == nullptr || !itemPanel_->addChild(item)) {
        delete item;
        return;
    }
    if (item->isChecked() && selected_ == nullptr) {
        selected_ = item;  // a row written checked in the layout starts selected
    } else if (item->isChecked()) {
        item->setFlags(ControlFlag::Checked, false);
    }
    relayout();
}

bool ListBox::removeItem(int32_t index) {
    Control* item = itemAt(index);
    if (item == nullptr) {
        return false;
    }
    if (item == selected_) {
        selected_ = nullptr;
    }
    itemPanel_->removeChild(item);
    delete item;
    relayout();
    return true;
}

void ListBox::clearItems() {
    selected_ = nullptr;
    while (Control* item = itemPanel_->firstChild()) {
        itemPanel_->removeChild(item);
        delete item;
    }
    relayout();
}

int32_t ListBox::itemCount() const {
    int32_t count = 0;
    for (Control* item = itemPanel_->firstChild(); item != nullptr; item = item->nextSibling()) {
        ++count;
    }
    return count;
}

Control* ListBox::itemAt(int32_t index) const {
    if (index < 0) {
        return nullptr;
    }
    Control* item = itemPanel_->firstChild();
    for (int32_t i = 0; i < index && item != nullptr; ++i) {
        item = item->nextSibling();
    }
    return item;
}

int32_t ListBox::indexOf(const Control* wanted) const {
    if (wanted == nullptr) {
        return -1;
    }
    int32_t index = 0;
    for (Control* item = itemPanel_->firstChild(); item != nullptr; item = item->nextSibling()) {
        if (item == wanted) {
            return index;
        }
        ++index;
    }
    return -1;
}

void ListBox::relayout() {
    if (rect().isEmpty()) {
        return;  // laid out with the window later
    }
    layoutPending_ = true;
    invalidate(false);
}

void ListBox::flushLayout() {
    if (!layoutPending_) {
        return;
    }
    layoutPending_ = false;
    const Rect own = rect();
    if (own.isEmpty()) {
        return;
    }
    arrangeContent(own.width(), own.height());
    if (selected_ != nullptr) {
        ensureVisible(selected_);
    }
    invalidate(false);
}

Size ListBox::arrangeContent(int32_t width, int32_t height) {
    layoutPending_ = false;  // this is the layout the rows waited for
    return ScrollPanel::arrangeContent(width, height);
}

void ListBox::paint(DrawingContext& context, const Rect& bounds, const Rect& clip) {
    flushLayout();
    ScrollPanel::paint(context, bounds, clip);
}

// ---- selection ------------------------------------------------------------------------

std::u16string ListBox::selectedText() const {
    const std::u16string* text = selected_ == nullptr ? nullptr : selected_->findText(key::text);
    return text == nullptr ? std::u16string() : *text;
}

bool ListBox::selectItem(Control* item, bool notify) {
    if (item != nullptr && item->parent() != itemPanel_) {
        return false;
    }
    if (item == selected_) {
        return true;
    }
    if (selected_ != nullptr) {
        selected_->setFlags(ControlFlag::Checked, false);
        selected_->invalidate(false);
    }
    selected_ = item;
    if (item != nullptr) {
        item->setFlags(ControlFlag::Checked, true);
        ensureVisible(item);
        item->invalidate(false);
    }
    invalidate(false);
    if (notify) {
        raiseEvent(EventCode::ValueChange, Direct);
    }
    return true;
}

bool ListBox::setSelectedIndex(int32_t index, bool notify) {
    return selectItem(itemAt(index), notify);
}

int32_t ListBox::barPosition() const {
    return verticalShown() && verticalBar() != nullptr ? verticalBar()->position() : 0;
}

void ListBox::scrollTo(int64_t position) {
    if (ScrollBar* bar = verticalBar()) {
        bar->EnsurePosition(saturate(position));
    } else {
        debugOutput("ScrollBar::EnsurePosition UnExpected Error.");
    }
}

void ListBox::ensureVisible(Control* item) {
    if (item == nullptr) {
        return;
    }
    flushLayout();
    const int64_t h = step();
    const int64_t viewTop = barPosition();
    const int64_t height = rect().height();
    const int64_t viewBottom = viewTop + height;
    const Rect& at = item->rect();
    if (at.top < viewTop) {
        scrollTo(at.top);
    } else if (at.bottom > viewBottom) {
        scrollTo(at.bottom - h * (height / h));
    }
}

// ---- input ----------------------------------------------------------------------------

ScrollBar* ListBox::createScrollBar() {
    ScrollBar* bar = ScrollPanel::createScrollBar();
    bar->addHandler(EventCode::Notify, this, &ListBox::onBarNotify);
    return bar;
}

void ListBox::onBarNotify(void* self, Control*, Event& event) {
    auto* list = static_cast<ListBox*>(self);
    const int64_t h = list->step();
    const int64_t position = list->barPosition();
    const int64_t page = h * (list->rect().height() / h);
    switch (event.wParam) {
        case ScrollBar::LineBack:
            list->scrollTo(position - h);
            break;
        case ScrollBar::LineForward:
            list->scrollTo(position + h);
            break;
        case ScrollBar::PageBack:
            list->scrollTo(position - page);
            break;
        case ScrollBar::PageForward:
            list->scrollTo(position + page);
            break;
        case ScrollBar::ThumbDragged:
            list->scrollTo(h * (static_cast<int64_t>(event.lParam) / h));  // whole items
            break;
        default:
            break;
    }
}

Control* ListBox::itemAtPoint(Point local) const {
    if (verticalShown() && verticalBar() != nullptr && verticalBar()->rect().contains(local)) {
        return nullptr;
    }
    if (horizontalShown() && horizontalBar() != nullptr &&
        horizontalBar()->rect().contains(local)) {
        return nullptr;
    }
    const Rect& panel = itemPanel_->rect();
    const Point inPanel{local.x - panel.left, local.y - panel.top};
    for (Control* item = itemPanel_->firstChild(); item != nullptr; item = item->nextSibling()) {
        if (item->rect().contains(inPanel)) {
            return item;
        }
    }
    return nullptr;
}

void ListBox::onPrevLButtonDown(void* self, Control*, Event& event) {
    auto* list = static_cast<ListBox*>(self);
    list->flushLayout();
    if (HostWindow* window = list->window()) {
        window->focusControl(list);
    }
    Rect area;
    if (!list->absoluteRect(area)) {
        return;
    }
    const auto bits = static_cast<uint32_t>(event.lParam);
    const Point local{static_cast<int32_t>(bits & 0xFFFF) - area.left,
                      static_cast<int32_t>(bits >> 16) - area.top};
    Control* item = list->itemAtPoint(local);
    if (item == nullptr || !item->isEnabled()) {
        return;
    }
    list->selectItem(item, true);
    if (list->isAlive()) {
        list->raiseEvent(EventCode::Notify, Direct, kItemChosen);
    }
}

void ListBox::postMouseMove() {
    if (HostWindow* host = window()) {
        const Point cursor = host->cursorPosition();
        host->postToWindow(
            win32::WM_MOUSEMOVE, 0,
            static_cast<std::intptr_t>((cursor.x & 0xFFFF) | ((cursor.y & 0xFFFF) << 16)));
    }
}

void ListBox::onMouseWheel(void* self, Control*, Event& event) {
    auto* list = static_cast<ListBox*>(self);
    list->flushLayout();
    if (list->verticalBar() == nullptr) {
        return;
    }
    const auto delta = platform::signedHighWord(event.wParam);
    list->scrollTo(int64_t{list->barPosition()} - int64_t{list->step()} * (delta / 60));
    list->postMouseMove();
    event.handled = 1;  // the panels around the list do not scroll as well
}

void ListBox::onKeyDown(void* self, Control*, Event& event) {
    auto* list = static_cast<ListBox*>(self);
    Control* selected = list->selected_;
    if (event.wParam == win32::VK_RETURN) {
        if (selected != nullptr) {
            list->raiseEvent(EventCode::Notify, Direct, kItemChosen);
            event.handled = 1;
        }
        return;
    }
    if (selected == nullptr) {
        return;
    }
    Control* next = nullptr;
    if (event.wParam == win32::VK_UP) {
        next = selected->previousSibling();
    } else if (event.wParam == win32::VK_DOWN) {
        next = selected->nextSibling();
    } else {
        return;
    }
    event.handled = 1;
    if (next != nullptr) {
        list->selectItem(next, true);
    }
}

}  // namespace tamlo::dui
