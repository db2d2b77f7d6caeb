#include "dui/controls/tab_item.h"

#include "dui/layout/tab_control.h"

namespace tamlo::dui {

TabItem::TabItem() {
    // A tab item is never pressed: it selects itself on the press instead.
    setFlags(ControlFlag::CaptureOnPress, false);
    addHandler(EventCode::Attached, this, &TabItem::onAttached);
    addHandler(EventCode::Detached, this, &TabItem::onDetached);
    addHandler(EventCode::LButtonDown, this, &TabItem::onLButtonDown);
}

TabItem::~TabItem() {
    if (page_ != nullptr) {
        // The tab control the page points to may be gone already.
        page_->setParentLink(nullptr);
        delete page_;
    }
}

void TabItem::setPage(Control* page) {
    if (page == page_) {
        return;
    }
    if (page_ != nullptr) {
        page_->detach();
        page_->setParentLink(nullptr);
        delete page_;
    }
    page_ = page;
    if (page_ != nullptr) {
        page_->setParentLink(parent());
        if (isAlive()) {
            page_->attach(window());
        }
    }
}

void TabItem::onAttached(void* self, Control* sender, Event&) {
    auto* item = static_cast<TabItem*>(self);
    if (sender != item || item->page_ == nullptr) {
        return;
    }
    item->page_->setParentLink(item->parent());
    item->page_->attach(item->window());
}

void TabItem::onDetached(void* self, Control* sender, Event&) {
    auto* item = static_cast<TabItem*>(self);
    if (sender == item && item->page_ != nullptr) {
        item->page_->detach();
    }
}

void TabItem::onLButtonDown(void* self, Control*, Event& event) {
    auto* item = static_cast<TabItem*>(self);
    if (!item->isChecked()) {
        if (auto* tabs = dynamic_cast<TabControl*>(item->parent())) {
            tabs->selectTab(item);
        }
    }
    event.handled = 1;
}

}  // namespace tamlo::dui
