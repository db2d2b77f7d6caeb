#include "dui/core/panel.h"

#include "dui/core/drawing.h"

namespace tamlo::dui {

Panel::Panel() {
    setFlags(ControlFlag::IsPanel, true);
}

Panel::~Panel() {
    // Last to first. The tree was detached by its owner; a child that is still alive
    // leaves the live set in its own destructor.
    while (lastChild_ != nullptr) {
        Control* child = lastChild_;
        unlinkChild(child);
        delete child;
    }
}

Control* Panel::childAt(int32_t n) const {
    Control* child = firstChild_;
    for (int32_t step = 0; step < n && child != nullptr; ++step) {
        child = child->next_;
    }
    return child;
}

std::vector<Control*> Panel::childList() const {
    std::vector<Control*> children;
    children.reserve(static_cast<std::size_t>(childCount_));
    for (Control* child = firstChild_; child != nullptr; child = child->next_) {
        children.push_back(child);
    }
    return children;
}

bool Panel::lists(const Control* child) const {
    return child->parent_ == this && (child->previous_ != nullptr || firstChild_ == child);
}

bool Panel::addChild(Control* child) {
    if (child == nullptr) {
        return false;
    }
    for (const Control* node = this; node != nullptr; node = node->parent_) {
        if (node == child) {
            return false;  // would make a cycle
        }
    }
    if (Panel* previousParent = child->parent_) {
        if (previousParent->lists(child)) {
            previousParent->removeChild(child);
        } else {
            child->parent_ = nullptr;
        }
        if (child->parent_ != nullptr) {
            return false;  // a Detached handler put it somewhere else
        }
    }
    if (lastChild_ == nullptr) {
        firstChild_ = child;
    } else {
        lastChild_->next_ = child;
        child->previous_ = lastChild_;
    }
    lastChild_ = child;
    child->parent_ = this;
    ++childCount_;
    if (window() != nullptr) {
        child->attach(window());
    }
    return true;
}

bool Panel::removeChild(Control* child) {
    if (child == nullptr || !lists(child)) {
        return false;
    }
    if (window() != nullptr) {
        child->detach();
        if (!lists(child)) {
            return true;  // a Detached handler removed it already
        }
    }
    unlinkChild(child);
    return true;
}

void Panel::unlinkChild(Control* child) {
    if (child->previous_ != nullptr) {
        child->previous_->next_ = child->next_;
    } else {
        firstChild_ = child->next_;
    }
    if (child->next_ != nullptr) {
        child->next_->previous_ = child->previous_;
    } else {
        lastChild_ = child->previous_;
    }
    child->previous_ = nullptr;
    child->next_ = nullptr;
    child->parent_ = nullptr;
    --childCount_;
}

void Panel::paint(DrawingContext& context, const Rect& bounds, const Rect& clip) {
    Control::paint(context, bounds, clip);  // the panel's own style is the background
    for (Control* child = firstChild_; child != nullptr; child = child->next_) {
        if (!child->isVisible() || child->hasFlags(ControlFlag::Collapsed)) {
            continue;
        }
        const Rect childBounds = child->rect().offsetBy(bounds.left, bounds.top);
        const Rect visiblePart = intersection(childBounds, clip);
        if (visiblePart.isEmpty()) {
            continue;
        }
        context.save();
        context.clipTo(visiblePart);
        child->paint(context, childBounds, visiblePart);
        context.restore();
    }
}

Control* Panel::hitTest(int32_t x, int32_t y) {
    if (Control::hitTest(x, y) == nullptr) {
        return nullptr;
    }
    const int32_t localX = x - rect().left;
    const int32_t localY = y - rect().top;
    for (Control* child = lastChild_; child != nullptr; child = child->previous_) {
        if (Control* hit = child->hitTest(localX, localY)) {
            return hit;
        }
    }
    return this;
}

}  // namespace tamlo::dui
