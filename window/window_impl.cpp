#include "window/window_impl.h"

#include <algorithm>
#include <vector>

#include "dui/core/attribute_keys.h"
#include "dui/core/panel.h"
#include "platform/windowing/input_method.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/native_window.h"
#include "window/combo_helper_window.h"

namespace tamlo {
namespace {

using dui::Control;
using dui::Routing;
namespace code = dui::EventCode;
namespace flag = dui::ControlFlag;

constexpr uint32_t kSystemMove = 0xF010;     // SC_MOVE
constexpr uint32_t kExLayered = 0x00080000;  // WS_EX_LAYERED
// Tooltips are placed this far below the pointer; a character is counted this wide.
constexpr int32_t kTooltipOffsetY = 19;
constexpr int32_t kTooltipCharWidth = 14;

WindowImpl::DestroyedHook gDestroyedHook = nullptr;

// Button and move positions: both halves unsigned, so left of or above the client
// area hits nothing.
Point clientPointOf(std::intptr_t lParam) {
    const auto bits = static_cast<std::uintptr_t>(lParam);
    return Point{platform::lowWord(bits), platform::highWord(bits)};
}

bool contains(const Rect& outer, const Rect& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

}  // namespace

void WindowImpl::setDestroyedHook(DestroyedHook hook) {
    gDestroyedHook = hook;
}

WindowImpl::WindowImpl()
    : routing_(*this), caret_([this](const Rect& area) { invalidateCaret(area); }) {
    // Combo boxes of any window drop down in a popup of this floor.
    ComboHelperWnd::install();
}

WindowImpl::~WindowImpl() {
    *aliveToken_ = false;
    caret_.stopBlinking();
    if (tooltip_ != 0) {
        platform::destroyWindow(tooltip_);
        tooltip_ = 0;
    }
    // The tree leaves while this part of the object still answers forgetControl.
    setRoot(nullptr);
    routing_.reset();
}

// ---- messages ------------------------------------------------------------------------

std::intptr_t WindowImpl::handleMessage(uint32_t message, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
    switch (message) {
        case win32::WM_DESTROY:
            onDestroy();
            return 0;
        case win32::WM_ACTIVATE:
            if (wParam == win32::WA_ACTIVE && savedFocus() != nullptr) {
                setFocusControl(savedFocus());
            }
            return 0;
        case win32::WM_KILLFOCUS:
            routing_.windowLostFocus();
            return 0;
        case win32::WM_PAINT: {
            const platform::Rect area = platform::beginPaint(handle());
            if (!area.isEmpty()) {
                const Rect dirty{area.left, area.top, area.right, area.bottom};
                paintArea(dirty);
                present(dirty);
            }
            return 0;
        }
        case win32::WM_ERASEBKGND:
            return 1;
        case win32::WM_SHOWWINDOW:
            if (wParam != 0) {
                platform::sendMessage(handle(), win32::WM_MOUSEMOVE, 0, cursorLParam());
            } else {
                platform::sendMessage(handle(), win32::WM_MOUSELEAVE, 0, 0);
            }
            return platform::defWindowProc(handle(), message, wParam, lParam);
        case win32::WM_SETCURSOR:
            return onSetCursor(wParam, lParam);
        case win32::WM_IME_COMPOSITION:
            onComposition();
            return 0;
        case win32::WM_KEYDOWN:
        case win32::WM_KEYUP:
        case win32::WM_CHAR:
            onKey(message, wParam, lParam);
            return 0;
        case win32::WM_SYSCOMMAND: {
            const uint32_t command = static_cast<uint32_t>(wParam) & 0xFFF0;
            if (command == kSystemMove) {
                beginMoveDrag();
                return 0;
            }
            if (command == win32::SC_MAXIMIZE || command == win32::SC_RESTORE) {
                platform::postMessage(handle(), win32::WM_MOUSEMOVE, 0, cursorLParam());
            }
            return platform::defWindowProc(handle(), message, wParam, lParam);
        }
        case win32::WM_MOUSEMOVE:
            if (moveDragging_) {
                const platform::Point cursor = platform::cursorPos();
                platform::setWindowPos(
                    handle(), 0, dragStartOrigin_.x + cursor.x - dragStartCursor_.x,
                    dragStartOrigin_.y + cursor.y - dragStartCursor_.y, 0, 0,
                    win32::SWP_NOSIZE | win32::SWP_NOZORDER | win32::SWP_NOACTIVATE);
                return 0;
            }
            onMouseMove(wParam, lParam);
            return 0;
        case win32::WM_LBUTTONDOWN:
            setCursorPosition(clientPointOf(lParam));
            onLeftDown(wParam, lParam);
            return 0;
        case win32::WM_LBUTTONUP:
            setCursorPosition(clientPointOf(lParam));
            if (moveDragging_) {
                endMoveDrag();
                return 0;
            }
            onLeftUp(wParam, lParam);
            return 0;
        case win32::WM_RBUTTONDOWN:
        case win32::WM_RBUTTONUP:
            onRightButton(message, wParam, lParam);
            return 0;
        case win32::WM_LBUTTONDBLCLK:
        case win32::WM_RBUTTONDBLCLK:
            onDoubleClick(message, wParam, lParam);
            return 0;
        case win32::WM_MOUSEWHEEL:
            onWheel(wParam, lParam);
            return 0;
        case win32::WM_CAPTURECHANGED:
            moveDragging_ = false;
            routing_.captureLost();
            return 0;
        case win32::WM_MOUSEHOVER:
            onMouseHover();
            return 0;
        case win32::WM_MOUSELEAVE:
            onMouseLeave();
            return 0;
        default:
            return WindowBase::handleMessage(message, wParam, lParam);
    }
}

void WindowImpl::onDestroy() {
    const platform::WindowHandle window = handle();
    hideTooltip();
    if (root() != nullptr) {
        root()->detach();
    }
    if (gDestroyedHook != nullptr) {
        gDestroyedHook(window);
    }
    WindowBase::handleMessage(win32::WM_DESTROY, 0, 0);  // deletes this
}

// ---- creation and size ---------------------------------------------------------------

void WindowImpl::onCreate() {
    WindowBase::onCreate();
    if (root() == nullptr) {
        return;
    }
    const Size size = clientSize();
    platform::setWindowPos(handle(), 0, 0, 0, size.width, size.height,
                           win32::SWP_NOMOVE | win32::SWP_NOZORDER | win32::SWP_NOACTIVATE);
    setClientSize(size);
    applyRoundCorner();
    if (tooltip_ == 0) {
        tooltip_ = platform::createTooltipWindow(handle());
    }
    if (layered_) {
        platform::setWindowExStyle(handle(), platform::windowExStyle(handle()) | kExLayered);
        root()->invalidate(false);
    }
}

void WindowImpl::onResize(int32_t width, int32_t height) {
    if (platform::isIconic(handle())) {
        return;
    }
    setClientSize(Size{width, height});
    applyRoundCorner();
    WindowBase::onResize(width, height);
}

void WindowImpl::applyRoundCorner() {
    Size corner;
    if (root() == nullptr || !root()->getSize(dui::key::roundCorner, corner)) {
        return;
    }
    const Size size = clientSize();
    platform::RoundRegion region;
    region.bounds = platform::Rect{0, 0, size.width + 1, size.height + 1};
    region.ellipseWidth = corner.width;
    region.ellipseHeight = corner.height;
    hasRegion_ = platform::setWindowRegion(handle(), &region);
}

// The system move loop's equivalent: the window follows the pointer until the left
// button goes up, the pointer held by this window meanwhile.
void WindowImpl::beginMoveDrag() {
    if (handle() == 0) {
        return;
    }
    // A control's press capture gives way to the drag.
    releaseMouseCapture();
    const platform::Point cursor = platform::cursorPos();
    dragStartCursor_ = Point{cursor.x, cursor.y};
    const platform::Rect bounds = platform::windowRect(handle());
    dragStartOrigin_ = Point{bounds.left, bounds.top};
    platform::setCapture(handle());
    moveDragging_ = true;
}

void WindowImpl::endMoveDrag() {
    moveDragging_ = false;
    if (platform::captureWindow() == handle()) {
        platform::releaseCapture();
    }
    platform::postMessage(handle(), win32::WM_MOUSEMOVE, 0, cursorLParam());
}

void WindowImpl::centerScreen() {
    const platform::Size screen = platform::screenSize();
    const platform::Rect bounds = platform::windowRect(handle());
    const int32_t x = (screen.width - bounds.width()) / 2;
    const int32_t y = (screen.height - bounds.height() - 100) / 2;
    platform::setWindowPos(handle(), 0, x, y, 0, 0,
                           win32::SWP_NOSIZE | win32::SWP_NOZORDER | win32::SWP_NOACTIVATE);
}

Point WindowImpl::cursorClientPos() const {
    const platform::Point client = platform::screenToClient(handle(), platform::cursorPos());
    return Point{client.x, client.y};
}

std::intptr_t WindowImpl::cursorLParam() const {
    const Point client = cursorClientPos();
    return platform::makeLParam(client.x, client.y);
}

// ---- modal loop ----------------------------------------------------------------------

int32_t WindowImpl::showDialog(platform::WindowHandle owner) {
    bool ownerWasEnabled = false;
    if (owner != 0) {
        if (platform::isIconic(owner)) {
            platform::showWindow(owner, win32::SW_SHOWNORMAL);
        }
        ownerWasEnabled = platform::isWindowEnabled(owner);
        platform::enableWindow(owner, false);
    }
    const platform::WindowHandle self = handle();
    platform::showWindow(self, win32::SW_SHOWNORMAL);
    dialogResult_ = 0;

    // The object may go while the loop runs (its window destroyed by a handler).
    LifeGuard guard(*this);
    int32_t result = 0;
    bool quit = false;
    platform::Message message;
    for (;;) {
        const int got = platform::getMessage(message);
        if (got <= 0) {
            quit = true;
            break;
        }
        if (!guard.alive()) {
            break;
        }
        if (dialogResult_ != 0) {
            break;
        }
        const bool closeRequest =
            message.window == self &&
            (message.message == win32::WM_CLOSE ||
             (message.message == win32::WM_SYSCOMMAND &&
              (static_cast<uint32_t>(message.wParam) & 0xFFF0) == win32::SC_CLOSE));
        if (closeRequest) {
            continue;  // a modal window is closed by its own code only
        }
        platform::translateMessage(message);
        platform::dispatchMessage(message);
        if (!guard.alive()) {
            break;
        }
    }
    if (guard.alive()) {
        result = dialogResult_;
    }
    if (quit && result == 0) {
        platform::postQuitMessage(0);
    }
    if (owner != 0) {
        platform::enableWindow(owner, ownerWasEnabled);
        platform::setActiveWindow(owner);
    }
    if (guard.alive()) {
        platform::setWindowPos(self, 0, 0, 0, 0, 0,
                               win32::SWP_NOSIZE | win32::SWP_NOMOVE | win32::SWP_NOZORDER |
                                   win32::SWP_NOACTIVATE | win32::SWP_HIDEWINDOW);
        platform::destroyWindow(self);  // deletes this
    }
    return result;
}

void WindowImpl::endDialog(int32_t result) {
    dialogResult_ = result;
    if (handle() != 0) {
        platform::postMessage(handle(), win32::WM_NULL, 0, 0);
    }
}

// ---- hit testing and hover -----------------------------------------------------------

dui::Control* WindowImpl::hitTestPoint(Point client) const {
    return root() == nullptr ? nullptr : root()->hitTest(client.x, client.y);
}

dui::Control* WindowImpl::hitTestClient(std::intptr_t lParam) const {
    return hitTestPoint(clientPointOf(lParam));
}

void WindowImpl::armTracking() {
    tracking_ = platform::trackMouseEvent(handle(), win32::TME_HOVER | win32::TME_LEAVE,
                                          win32::HOVER_DEFAULT);
}

void WindowImpl::onMouseMove(std::uintptr_t wParam, std::intptr_t lParam) {
    LifeGuard guard(*this);
    setCursorPosition(clientPointOf(lParam));
    if (!tracking_) {
        armTracking();
    }
    Control* hit = hitTestClient(lParam);
    if (hit != hoveredControl()) {
        routing_.hover(hit, wParam, lParam);
        if (!guard.alive()) {
            return;
        }
        // A handler may have hidden or removed the control it entered.
        if (hit != nullptr && hit != hoveredControl()) {
            hit = hitTestClient(lParam);
            if (hit != hoveredControl()) {
                return;
            }
        }
    }
    if (Control* holder = capturedControl()) {
        holder->raiseEvent(code::MouseMove, Routing::Direct, wParam, lParam);
    } else if (hit != nullptr && hit->isEnabled()) {
        hit->raiseEvent(code::MouseMove, Routing::Bubble, wParam, lParam);
    }
}

void WindowImpl::onMouseLeave() {
    hideTooltip();
    tracking_ = false;
    routing_.leaveAll();
}

// ---- buttons -------------------------------------------------------------------------

void WindowImpl::onLeftDown(std::uintptr_t wParam, std::intptr_t lParam) {
    LifeGuard guard(*this);
    hideTooltip();
    Control* hit = hitTestClient(lParam);
    if (hit == nullptr || !hit->isEnabled()) {
        return;
    }
    InputRouting::repaintOnState(hit);
    if (hit->raiseEvent(code::PrevLButtonDown, Routing::Tunnel, wParam, lParam)) {
        return;
    }
    if (!guard.alive() || !hit->isAlive()) {
        return;
    }
    if (hit->hasFlags(flag::CaptureOnPress)) {
        routing_.capture(hit, wParam, lParam);
        if (!guard.alive() || !hit->isAlive()) {
            return;
        }
    }
    if (hit->hasFlags(flag::FocusOnPress)) {
        setFocusControl(hit);
    } else if (hit->hasFlags(flag::ClearFocusOnPress)) {
        setFocusControl(nullptr);
    }
    if (!guard.alive() || !hit->isAlive()) {
        return;
    }
    hit->raiseEvent(code::LButtonDown, Routing::Bubble, wParam, lParam);
}

void WindowImpl::onLeftUp(std::uintptr_t wParam, std::intptr_t lParam) {
    LifeGuard guard(*this);
    if (Control* holder = capturedControl()) {
        InputRouting::repaintOnState(holder);
        holder->raiseEvent(code::LButtonUp, Routing::Direct, wParam, lParam);
        if (!guard.alive()) {
            return;
        }
        releaseMouseCapture();
        if (!guard.alive()) {
            return;
        }
        onMouseMove(wParam, lParam);
        return;
    }
    Control* hit = hitTestClient(lParam);
    if (hit == nullptr || !hit->isEnabled()) {
        return;
    }
    InputRouting::repaintOnState(hit);
    if (!hit->raiseEvent(code::PrevLButtonUp, Routing::Tunnel, wParam, lParam) && guard.alive() &&
        hit->isAlive()) {
        hit->raiseEvent(code::LButtonUp, Routing::Bubble, wParam, lParam);
    }
}

void WindowImpl::onRightButton(uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    LifeGuard guard(*this);
    const bool down = message == win32::WM_RBUTTONDOWN;
    if (down) {
        hideTooltip();
    }
    Control* hit = hitTestClient(lParam);
    if (hit == nullptr || !hit->isEnabled()) {
        return;
    }
    InputRouting::repaintOnState(hit);
    const int32_t prev = down ? code::PrevRButtonDown : code::PrevRButtonUp;
    const int32_t plain = down ? code::RButtonDown : code::RButtonUp;
    if (!hit->raiseEvent(prev, Routing::Tunnel, wParam, lParam) && guard.alive() &&
        hit->isAlive()) {
        hit->raiseEvent(plain, Routing::Bubble, wParam, lParam);
    }
}

void WindowImpl::onDoubleClick(uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    Control* hit = hitTestClient(lParam);
    if (hit == nullptr || !hit->isEnabled()) {
        return;
    }
    const bool left = message == win32::WM_LBUTTONDBLCLK;
    if (hit->hasFlags(flag::DoubleClicks)) {
        hit->raiseEvent(left ? code::LButtonDbClick : code::RButtonDbClick, Routing::Direct, wParam,
                        lParam);
    } else if (left) {
        onLeftDown(wParam, lParam);
    } else {
        onRightButton(win32::WM_RBUTTONDOWN, wParam, lParam);
    }
}

void WindowImpl::onWheel(std::uintptr_t wParam, std::intptr_t lParam) {
    Control* hit = hitTestPoint(cursorClientPos());
    if (hit != nullptr && hit->isEnabled()) {
        hit->raiseEvent(code::MouseWheel, Routing::Bubble, wParam, lParam);
    }
}

std::intptr_t WindowImpl::onSetCursor(std::uintptr_t wParam, std::intptr_t lParam) {
    Control* hit = hitTestPoint(cursorClientPos());
    if (hit != nullptr && hit->raiseEvent(code::QueryCursor, Routing::Direct, wParam, lParam)) {
        return 1;
    }
    return platform::defWindowProc(handle(), win32::WM_SETCURSOR, wParam, lParam);
}

// ---- capture and focus ---------------------------------------------------------------

void WindowImpl::releaseMouseCapture() {
    routing_.releaseCapture();
}

void WindowImpl::setFocusControl(dui::Control* control) {
    routing_.setFocus(control);
}

void WindowImpl::captureNativeMouse() {
    platform::setCapture(handle());
}

void WindowImpl::releaseNativeMouse() {
    if (platform::captureWindow() == handle()) {
        platform::releaseCapture();
    }
}

void WindowImpl::focusNativeWindow() {
    if (platform::focusWindow() != handle()) {
        platform::setFocus(handle());
    }
}

void WindowImpl::onKey(uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    LifeGuard guard(*this);
    Control* target = focusedControl();
    if (target == nullptr) {
        return;
    }
    int32_t prev = code::PrevKeyDown;
    int32_t plain = code::KeyDown;
    if (message == win32::WM_KEYUP) {
        prev = code::PrevKeyUp;
        plain = code::KeyUp;
    } else if (message == win32::WM_CHAR) {
        prev = code::PrevKeyPress;
        plain = code::KeyPress;
    }
    if (!target->raiseEvent(prev, Routing::Tunnel, wParam, lParam) && guard.alive() &&
        target->isAlive()) {
        target->raiseEvent(plain, Routing::Bubble, wParam, lParam);
    }
}

// ---- detaching -----------------------------------------------------------------------

void WindowImpl::forgetControl(dui::Control* control) {
    routing_.forgetPressAndFocus(control);
    if (InputRouting::isSelfOrAncestor(control, dropHover_)) {
        dropHover_ = nullptr;
    }
    routing_.forgetHover(control);
}

void WindowImpl::refreshHover() {
    if (handle() != 0) {
        platform::postMessage(handle(), win32::WM_MOUSEMOVE, 0, cursorLParam());
    }
}

// ---- tooltips ------------------------------------------------------------------------

void WindowImpl::onMouseHover() {
    armTracking();
    if (capturedControl() != nullptr) {
        return;
    }
    Control* hit = hitTestPoint(cursorClientPos());
    std::u16string text;
    if (hit != nullptr && hit->getText(dui::key::tooltip, text)) {
        showTooltip(text);
    }
}

void WindowImpl::showTooltip(const std::u16string& text) {
    tooltipText_ = text;
    if (tooltip_ == 0) {
        return;
    }
    platform::setTooltipText(tooltip_, tooltipText_);
    if (platform::isWindowVisible(tooltip_)) {
        return;
    }
    platform::Point at = platform::cursorPos();
    const int32_t width = kTooltipCharWidth * static_cast<int32_t>(tooltipText_.size());
    const int32_t screenWidth = platform::screenSize().width;
    if (screenWidth < at.x + width + 2) {
        at.x = screenWidth - width - 2;
    }
    platform::showTooltipAt(tooltip_, platform::Point{at.x, at.y + kTooltipOffsetY});
}

void WindowImpl::hideTooltip() {
    if (tooltip_ != 0 && platform::isWindowVisible(tooltip_)) {
        platform::hideTooltip(tooltip_);
    }
}

// ---- caret ---------------------------------------------------------------------------

void WindowImpl::showCaret(int32_t x, int32_t y) {
    caret_.show(x, y);
    if (handle() != 0) {
        platform::inputMethodCaretPlaced(handle(), caret_.rect());
        if (!compositionRect_.isEmpty()) {
            onComposition();  // the pre-edit follows the caret
        }
    }
}

void WindowImpl::hideCaret() {
    caret_.hide();
    if (handle() != 0) {
        platform::inputMethodCaretHidden(handle());
    }
}

void WindowImpl::invalidateCaret(const Rect& area) {
    invalidateRect(area);
    if (handle() != 0) {
        platform::postMessage(handle(), kFlushMessage, 0, 0);
    }
}

// ---- painting ------------------------------------------------------------------------

void WindowImpl::setLayered(bool layered) {
    layered_ = layered;
    if (handle() != 0) {
        const uint32_t style = platform::windowExStyle(handle());
        platform::setWindowExStyle(handle(), layered ? style | kExLayered : style & ~kExLayered);
    }
}

void WindowImpl::invalidateRect(const Rect& area) {
    if (!layered_) {
        if (handle() != 0) {
            const platform::Rect native{area.left, area.top, area.right, area.bottom};
            platform::invalidateRect(handle(), &native);
        }
        return;
    }
    for (const Rect& entry : dirty_) {
        if (contains(entry, area)) {
            return;
        }
    }
    for (std::size_t i = 0; i < dirty_.size();) {
        if (contains(area, dirty_[i])) {
            dirty_[i] = dirty_.back();
            dirty_.pop_back();
        } else {
            ++i;
        }
    }
    for (Rect& entry : dirty_) {
        const bool sameColumn = entry.left == area.left && entry.right == area.right &&
                                area.bottom >= entry.top && entry.bottom >= area.top;
        const bool sameRow = entry.top == area.top && entry.bottom == area.bottom &&
                             area.right >= entry.left && entry.right >= area.left;
        if (sameColumn || sameRow) {
            entry = unionOf(entry, area);
            return;
        }
    }
    if (dirty_.size() >= kMaxDirtyRects) {
        flush();
    }
    dirty_.push_back(area);
}

void WindowImpl::flush() {
    if (!layered_) {
        if (handle() != 0) {
            platform::updateWindow(handle());
        }
        return;
    }
    if (dirty_.empty()) {
        return;
    }
    const std::vector<Rect> pending = std::move(dirty_);
    dirty_.clear();
    for (const Rect& area : pending) {
        paintArea(area);
    }
    present(clientRect());
}

}  // namespace tamlo
