#include "dui/core/control.h"

#include <memory>

#include "dui/core/drawing.h"
#include "dui/core/event_route.h"
#include "dui/core/host_window.h"
#include "dui/core/live_set.h"
#include "dui/core/panel.h"
#include "platform/windowing/posted_call.h"

namespace tamlo::dui {

namespace {
Control::ScriptReleaseHook gScriptReleaseHook = nullptr;
uint64_t gNextSerial = 1;
}  // namespace

struct Control::PostedEvent {
    Event event;
    uint64_t serial;
};

Control::Control() : serial_(gNextSerial++) {}

Control::~Control() {
    // A control must leave its window before it dies; if it did not, the window still
    // drops it and no stale pointer stays in the live set for a later control to match.
    if (LiveSet::contains(this)) {
        if (window_ != nullptr) {
            window_->forgetControl(this);
            window_->controlDetached(this);
        }
        LiveSet::erase(this);
        window_ = nullptr;
    }
    // Deleted while still listed by its panel: leave no dangling sibling links behind.
    if (parent_ != nullptr && (previous_ != nullptr || parent_->firstChild_ == this)) {
        parent_->unlinkChild(this);
    }
    // Routes and the script host may still hold these delegates; they must skip them.
    for (auto& entry : handlers_) {
        for (DelegateRef& delegate : entry.second) {
            delegate->disarm();
        }
    }
    if ((flags_ & ControlFlag::ScriptWrapped) != 0) {
        flags_ &= ~ControlFlag::ScriptWrapped;
        if (gScriptReleaseHook != nullptr) {
            gScriptReleaseHook(this);
        }
    }
    handlers_.clear();
}

void Control::setScriptReleaseHook(ScriptReleaseHook hook) {
    gScriptReleaseHook = hook;
}

// --- flags ---

void Control::setFlags(uint32_t mask, bool on) {
    if (on) {
        flags_ |= mask;
    } else {
        flags_ &= ~mask;
    }
}

bool Control::readFlag(int32_t bit) const {
    if (bit < 0 || bit > 31) {
        return false;
    }
    return (flags_ & (1u << bit)) != 0;
}

void Control::writeFlag(int32_t bit, bool on) {
    // The engine's own bits: what the control is, and whether a wrapper must be released
    // when it goes. Scripts read them but never change them.
    if (bit < 0 || bit > 31 || bit == ControlFlag::PanelBit ||
        bit == ControlFlag::ScriptWrappedBit) {
        return;
    }
    setFlags(1u << bit, on);
}

// --- events ---

void Control::addHandler(int32_t code, void* target, HandlerFunction handler) {
    handlers_[code].push_back(DelegateRef::create(target, handler));
}

void Control::removeHandler(int32_t code, void* target, HandlerFunction handler) {
    auto found = handlers_.find(code);
    if (found == handlers_.end()) {
        return;
    }
    std::vector<DelegateRef>& list = found->second;
    for (auto it = list.begin(); it != list.end(); ++it) {
        if ((*it)->matches(target, handler)) {
            (*it)->disarm();
            list.erase(it);
            return;
        }
    }
}

std::size_t Control::handlerCount(int32_t code) const {
    auto found = handlers_.find(code);
    return found == handlers_.end() ? 0 : found->second.size();
}

void Control::collectRoute(int32_t code, int32_t routing, EventRoute& route) const {
    auto found = handlers_.find(code);
    if (found == handlers_.end()) {
        return;
    }
    const std::vector<DelegateRef>& list = found->second;
    if (routing == Tunnel) {
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            route.append(*it);
        }
    } else {
        for (const DelegateRef& delegate : list) {
            route.append(delegate);
        }
    }
}

void Control::raiseEvent(Event& event) {
    if (!isAlive()) {
        return;
    }
    // The whole route is built before any handler runs, so handlers that change the
    // tree or the handler lists cannot disturb this dispatch.
    EventRoute route;
    if (event.routing == Direct) {
        collectRoute(event.code, event.routing, route);
    } else {
        for (const Control* node = this; node != nullptr; node = node->parent_) {
            node->collectRoute(event.code, event.routing, route);
        }
    }
    if (event.routing == Tunnel) {
        route.invokeBackward(this, event);
    } else {
        route.invokeForward(this, event);
    }
}

bool Control::raiseEvent(int32_t code, int32_t routing, std::uintptr_t wParam,
                         std::intptr_t lParam) {
    Event event{code, routing, wParam, lParam, 0};
    raiseEvent(event);
    return event.handled != 0;
}

void Control::postEvent(const Event& event) {
    auto posted = std::make_unique<PostedEvent>(PostedEvent{event, serial_});
    posted->event.handled = 0;
    if (postCall(this, &Control::deliverPostedEvent, reinterpret_cast<std::uintptr_t>(this),
                 reinterpret_cast<std::uintptr_t>(posted.get()))) {
        posted.release();  // the delivery owns it now
    }
}

void Control::deliverPostedEvent(void*, std::uintptr_t target, std::uintptr_t posted) {
    std::unique_ptr<PostedEvent> copy(reinterpret_cast<PostedEvent*>(posted));
    auto* control = reinterpret_cast<Control*>(target);
    // Only a live control may be touched; the serial tells a later control built at the
    // same address apart from the one the event was posted to.
    if (!LiveSet::contains(control) || control->serial_ != copy->serial) {
        return;
    }
    copy->event.handled = 0;
    control->raiseEvent(copy->event);
}

// --- window membership ---

bool Control::isAlive() const {
    return LiveSet::contains(this);
}

void Control::attach(HostWindow* window) {
    if (window == nullptr) {
        return;
    }
    if (isAlive()) {
        if (window_ == window) {
            return;
        }
        detach();
    }
    LiveSet::insert(this);
    window_ = window;
    if (hasInt(key::id)) {
        window->registerControlId(getInt(key::id, 0), this);
    }
    raiseEvent(EventCode::Attached, Direct);
    if (Panel* panel = asPanel()) {
        // Handlers of the events above may have changed the tree: attach what is still
        // a child once it is this control's turn, and only while this panel is in the window.
        for (Control* child : panel->childList()) {
            if (child->parent_ == panel && window_ == window && !child->isAlive()) {
                child->attach(window);
            }
        }
    }
}

void Control::detach() {
    if (!isAlive()) {
        return;
    }
    if (Panel* panel = asPanel()) {
        for (Control* child : panel->childList()) {
            if (child->parent_ == panel) {
                child->detach();
            }
        }
    }
    raiseEvent(EventCode::Detached, Direct);
    if (!isAlive()) {
        return;  // a Detached handler detached it already
    }
    if (window_ != nullptr) {
        window_->forgetControl(this);
        window_->controlDetached(this);
    }
    window_ = nullptr;
    LiveSet::erase(this);
}

// --- state ---

void Control::setChecked(bool on) {
    if (isChecked() == on) {
        return;
    }
    setFlags(ControlFlag::Checked, on);
    raiseEvent(EventCode::ValueChange, Direct);
    invalidate(false);
}

void Control::setEnabled(bool on) {
    switchOnOrOff(ControlFlag::Enabled, on);
}

void Control::setVisible(bool on) {
    switchOnOrOff(ControlFlag::Visible, on);
}

void Control::switchOnOrOff(uint32_t mask, bool on) {
    if (hasFlags(mask) == on) {
        return;
    }
    setFlags(mask, on);
    if (!on && window_ != nullptr && isAlive()) {
        window_->forgetControl(this);
    }
    invalidate(false);
}

Point Control::originInClient() const {
    // The root's own origin is not counted: client coordinates start there.
    Point offset;
    for (const Control* node = this; node->parent_ != nullptr; node = node->parent_) {
        offset.x += node->rect_.left;
        offset.y += node->rect_.top;
    }
    return offset;
}

bool Control::absoluteRect(Rect& out) const {
    if (!isAlive()) {
        return false;
    }
    Point origin = originInClient();
    out = Rect{origin.x, origin.y, origin.x + rect_.width(), origin.y + rect_.height()};
    return true;
}

bool Control::cursorToLocal(Point& out) const {
    if (!isAlive() || window_ == nullptr) {
        return false;
    }
    Point origin = originInClient();
    Point cursor = window_->cursorPosition();
    out = Point{cursor.x - origin.x, cursor.y - origin.y};
    return true;
}

void Control::invalidate(bool synchronous) {
    Rect area;
    if (window_ == nullptr || !absoluteRect(area)) {
        return;
    }
    Rect visible = intersection(area, window_->clientRect());
    if (visible.isEmpty()) {
        return;
    }
    window_->invalidateRect(visible);
    window_->requestRepaint(synchronous);
}

// --- overridable operations ---

void Control::paintStyle(DrawingContext& context, const Rect& bounds) {
    StyleLookup* lookup = styleLookup();
    const std::u16string* name = findText(key::style);
    if (lookup == nullptr || name == nullptr) {
        return;
    }
    const std::u16string styleName = *name;  // drawing may change the attribute
    lookup->drawStyle(styleName, context, bounds, *this);
}

void Control::paint(DrawingContext& context, const Rect& bounds, const Rect&) {
    paintStyle(context, bounds);
}

Control* Control::hitTest(int32_t x, int32_t y) {
    if (!isVisible() || hasFlags(ControlFlag::Transparent) || !rect_.contains(x, y)) {
        return nullptr;
    }
    return this;
}

Size Control::measureContent(int32_t, int32_t) {
    return Size{0, 0};
}

Size Control::arrangeContent(int32_t width, int32_t height) {
    return Size{width, height};
}

}  // namespace tamlo::dui
