#include <algorithm>

#include "platform/display_scale.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/pointer_input.h"
#include "platform/windowing/window_state.h"

namespace tamlo::platform {

using namespace tamlo::win32;

namespace {

void eraseFromZOrder(WindowHandle window) {
    auto& order = desktop().zOrder;
    order.erase(std::remove(order.begin(), order.end(), window), order.end());
}

void restackNatively() {
    if (NativeWindows* native = nativeSide()) {
        native->windowsRestacked(desktop().zOrder);
    }
}

bool ownedBy(WindowHandle window, WindowHandle owner) {
    for (auto* state = nativeWindowState(window); state && state->owner != 0;
         state = nativeWindowState(state->owner)) {
        if (state->owner == owner) {
            return true;
        }
    }
    return false;
}

// The window with its owned windows, in their present order, the window itself last.
std::vector<WindowHandle> ownedGroup(WindowHandle window) {
    std::vector<WindowHandle> group;
    for (WindowHandle other : desktop().zOrder) {
        if (ownedBy(other, window)) {
            group.push_back(other);
        }
    }
    group.push_back(window);
    return group;
}

void sendMoveAndSize(NativeWindowState& state, bool moved, bool sized) {
    WindowHandle window = state.handle;
    if (moved) {
        sendMessage(window, WM_MOVE, 0, makeLParam(state.rect.left, state.rect.top));
    }
    if (sized && isWindow(window)) {
        if (auto* again = nativeWindowState(window)) {
            sendMessage(window, WM_SIZE, again->iconic ? SIZE_MINIMIZED : SIZE_RESTORED,
                        again->iconic ? 0 : makeLParam(again->rect.width(), again->rect.height()));
        }
    }
}

// Focus moves without activation (the window is already in the active window).
WindowHandle moveFocus(WindowHandle window) {
    Desktop& d = desktop();
    WindowHandle previous = d.focus;
    if (previous == window) {
        return previous;
    }
    d.focus = window;
    if (previous != 0 && isWindow(previous)) {
        sendMessage(previous, WM_KILLFOCUS, window, 0);
    }
    if (window != 0 && d.focus == window && isWindow(window)) {
        sendMessage(window, WM_SETFOCUS, previous, 0);
    }
    return previous;
}

WindowHandle activate(WindowHandle window, uint32_t how) {
    Desktop& d = desktop();
    WindowHandle previous = d.active;
    if (previous == window) {
        return previous;
    }
    d.active = window;
    if (previous != 0 && isWindow(previous)) {
        sendMessage(previous, WM_ACTIVATE, WA_INACTIVE, static_cast<std::intptr_t>(window));
    }
    if (window != 0 && d.active == window) {
        bringToTop(window);
        if (NativeWindows* native = nativeSide()) {
            native->windowActivated(window);
        }
        auto* state = nativeWindowState(window);
        uint32_t minimized = state && state->iconic ? 1u << 16 : 0;
        sendMessage(window, WM_ACTIVATE, how | minimized, static_cast<std::intptr_t>(previous));
    }
    // The default handling of WM_ACTIVATE: focus follows activation.
    if (d.active == window) {
        auto* state = nativeWindowState(window);
        if (window == 0 || (state && !state->iconic)) {
            if (d.focus != window) {
                moveFocus(window);
            }
        }
    }
    return previous;
}

bool canActivate(const NativeWindowState& state) {
    return state.visible && state.enabled && !state.tooltip && !(state.exStyle & WS_EX_NOACTIVATE);
}

// A hidden or destroyed window gives activation to its owner when it can take it.
void passActivationOn(WindowHandle window) {
    Desktop& d = desktop();
    if (d.active != window) {
        if (d.focus == window) {
            moveFocus(0);
        }
        return;
    }
    auto* state = nativeWindowState(window);
    auto* owner = state ? nativeWindowState(state->owner) : nullptr;
    activate(owner && canActivate(*owner) ? owner->handle : 0, WA_ACTIVE);
}

void setVisibility(NativeWindowState& state, bool visible) {
    WindowHandle window = state.handle;
    state.visible = visible;
    if (visible) {
        fitSurface(state);
        state.invalid = Rect{0, 0, state.rect.width(), state.rect.height()};
        postPaintOnce(state);
    }
    if (NativeWindows* native = nativeSide()) {
        native->windowShown(window, visible, false);
    }
    if (!visible) {
        if (desktop().capture == window) {
            releaseCapture();
        }
        passActivationOn(window);
    }
}

}  // namespace

bool NativeWindowState::isLayered() const {
    return (exStyle & WS_EX_LAYERED) != 0;
}

bool NativeWindowState::isTopmost() const {
    return (exStyle & WS_EX_TOPMOST) != 0 || tooltip;
}

Desktop& desktop() {
    static Desktop instance;
    return instance;
}

NativeWindowState* nativeWindowState(WindowHandle window) {
    auto& windows = desktop().windows;
    auto it = windows.find(window);
    return it == windows.end() ? nullptr : it->second.get();
}

NativeWindows* nativeSide() {
    return backendStarted() ? backend().nativeWindows() : nullptr;
}

void fitSurface(NativeWindowState& state) {
    int width = std::max(0, toDevice(state.rect.width(), state.scale));
    int height = std::max(0, toDevice(state.rect.height(), state.scale));
    WindowPixels& surface = state.surface;
    if (surface.width == width && surface.height == height) {
        return;
    }
    std::vector<uint32_t> pixels(static_cast<std::size_t>(width) * height, 0);
    int keepWidth = std::min(width, surface.width);
    int keepHeight = std::min(height, surface.height);
    for (int y = 0; y < keepHeight; ++y) {
        std::copy_n(surface.pixels.begin() + static_cast<std::size_t>(y) * surface.width, keepWidth,
                    pixels.begin() + static_cast<std::size_t>(y) * width);
    }
    surface.pixels = std::move(pixels);
    surface.width = width;
    surface.height = height;
}

void bringToTop(WindowHandle window) {
    auto* state = nativeWindowState(window);
    if (state == nullptr) {
        return;
    }
    std::vector<WindowHandle> group = ownedGroup(window);
    auto& order = desktop().zOrder;
    for (WindowHandle member : group) {
        eraseFromZOrder(member);
    }
    std::size_t position = 0;
    if (!state->isTopmost()) {
        while (position < order.size() && nativeWindowState(order[position]) &&
               nativeWindowState(order[position])->isTopmost()) {
            ++position;
        }
    }
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(position), group.begin(), group.end());
    restackNatively();
}

void nativeWindowCreating(WindowHandle window, const WindowCreation& creation) {
    auto state = std::make_unique<NativeWindowState>();
    state->handle = window;
    state->owner = creation.owner;
    state->classStyle = creation.classStyle;
    state->style = creation.style & ~WS_VISIBLE;
    state->exStyle = creation.exStyle;
    state->rect = Rect{creation.x, creation.y, creation.x + std::max(0, creation.width),
                       creation.y + std::max(0, creation.height)};
    state->enabled = (creation.style & WS_DISABLED) == 0;
    state->clickThrough = (creation.exStyle & WS_EX_TRANSPARENT) != 0;
    state->tooltip = creation.className == kTooltipClassName;
    state->showAfterCreate = (creation.style & WS_VISIBLE) != 0;
    state->scale = desktop().defaultScale;
    desktop().windows[window] = std::move(state);
    desktop().zOrder.insert(desktop().zOrder.begin(), window);
    bringToTop(window);
    if (NativeWindows* native = nativeSide()) {
        native->windowCreated(window);
    }
}

void nativeWindowCreated(WindowHandle window) {
    auto* state = nativeWindowState(window);
    if (state == nullptr) {
        return;
    }
    // CreateWindowEx shows a WS_VISIBLE window once WM_CREATE has succeeded.
    if (state->showAfterCreate) {
        showWindow(window, SW_SHOW);
    }
}

void nativeWindowDestroying(WindowHandle window) {
    auto* state = nativeWindowState(window);
    if (state == nullptr) {
        return;
    }
    Desktop& d = desktop();
    if (d.capture == window) {
        releaseCapture();
    }
    if (d.active == window || d.focus == window) {
        passActivationOn(window);
    }
    pointerInputForgetWindow(window);
}

void nativeWindowDestroyed(WindowHandle window) {
    Desktop& d = desktop();
    if (d.windows.find(window) == d.windows.end()) {
        return;
    }
    if (NativeWindows* native = nativeSide()) {
        native->windowDestroyed(window);
    }
    eraseFromZOrder(window);
    d.windows.erase(window);
    if (d.active == window) {
        d.active = 0;
    }
    if (d.focus == window) {
        d.focus = 0;
    }
    if (d.capture == window) {
        d.capture = 0;
    }
}

bool setWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int width,
                  int height, uint32_t flags) {
    auto* state = nativeWindowState(window);
    if (state == nullptr || !isUiThread()) {
        return false;
    }
    Rect rect = state->rect;
    if (!(flags & SWP_NOMOVE)) {
        rect = Rect{x, y, x + rect.width(), y + rect.height()};
    }
    if (!(flags & SWP_NOSIZE)) {
        rect.right = rect.left + std::max(0, width);
        rect.bottom = rect.top + std::max(0, height);
    }
    bool moved = rect.left != state->rect.left || rect.top != state->rect.top;
    bool sized = rect.width() != state->rect.width() || rect.height() != state->rect.height();
    state->rect = rect;
    if (sized) {
        fitSurface(*state);
        if (!state->isLayered()) {
            invalidateRect(window, nullptr);
        }
    }
    if ((moved || sized)) {
        if (NativeWindows* native = nativeSide()) {
            native->windowPlaced(window, rect);
        }
    }
    if (!(flags & SWP_NOZORDER)) {
        if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST ||
            insertAfter == HWND_NOTOPMOST) {
            if (insertAfter == HWND_TOPMOST) {
                state->exStyle |= WS_EX_TOPMOST;
            } else if (insertAfter == HWND_NOTOPMOST) {
                state->exStyle &= ~WS_EX_TOPMOST;
            }
            bringToTop(window);
        } else if (insertAfter == HWND_BOTTOM) {
            eraseFromZOrder(window);
            desktop().zOrder.push_back(window);
            restackNatively();
        } else if (insertAfter != window && nativeWindowState(insertAfter)) {
            eraseFromZOrder(window);
            auto& order = desktop().zOrder;
            auto at = std::find(order.begin(), order.end(), insertAfter);
            order.insert(at + 1, window);
            restackNatively();
        }
    }
    if ((flags & SWP_SHOWWINDOW) && !state->visible) {
        setVisibility(*state, true);
    } else if ((flags & SWP_HIDEWINDOW) && state->visible) {
        setVisibility(*state, false);
    }
    if (!(flags & SWP_NOACTIVATE) && isWindow(window) && state->visible && canActivate(*state)) {
        activate(window, WA_ACTIVE);
    }
    if (isWindow(window)) {
        sendMoveAndSize(*state, moved, sized);
    }
    return true;
}

bool moveWindow(WindowHandle window, int x, int y, int width, int height) {
    return setWindowPos(window, 0, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool showWindow(WindowHandle window, int command) {
    auto* state = nativeWindowState(window);
    if (state == nullptr || !isUiThread()) {
        return false;
    }
    bool wasVisible = state->visible;
    bool show = command != SW_HIDE;
    bool minimize =
        command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE;
    bool restore = command == SW_SHOWNORMAL || command == SW_RESTORE || command == SW_MAXIMIZE;
    bool activateIt = command == SW_SHOWNORMAL || command == SW_SHOW ||
                      command == SW_SHOWMINIMIZED || command == SW_RESTORE ||
                      command == SW_MAXIMIZE;
    if (show != wasVisible) {
        sendMessage(window, WM_SHOWWINDOW, show ? 1 : 0, 0);
        state = nativeWindowState(window);
        if (state == nullptr) {
            return wasVisible;
        }
        setVisibility(*state, show);
        if (show) {
            bringToTop(window);
        }
    }
    if (state && show && (minimize || (restore && state->iconic))) {
        const bool changed = state->iconic != minimize;
        state->iconic = minimize;
        sendMoveAndSize(*state, false, true);
        NativeWindows* native = nativeSide();
        if (changed && native != nullptr && nativeWindowState(window) != nullptr) {
            native->windowIconicChanged(window, minimize);
        }
    }
    state = nativeWindowState(window);
    if (state && show && activateIt && canActivate(*state)) {
        activate(window, WA_ACTIVE);
    }
    return wasVisible;
}

bool isWindowVisible(WindowHandle window) {
    auto* state = nativeWindowState(window);
    return state && state->visible;
}

bool isIconic(WindowHandle window) {
    auto* state = nativeWindowState(window);
    return state && state->iconic;
}

Rect windowRect(WindowHandle window) {
    auto* state = nativeWindowState(window);
    return state ? state->rect : Rect{};
}

Rect clientRect(WindowHandle window) {
    auto* state = nativeWindowState(window);
    return state ? Rect{0, 0, state->rect.width(), state->rect.height()} : Rect{};
}

Point clientToScreen(WindowHandle window, Point client) {
    Rect rect = windowRect(window);
    return Point{client.x + rect.left, client.y + rect.top};
}

Point screenToClient(WindowHandle window, Point screen) {
    Rect rect = windowRect(window);
    return Point{screen.x - rect.left, screen.y - rect.top};
}

uint32_t windowStyle(WindowHandle window) {
    auto* state = nativeWindowState(window);
    if (state == nullptr) {
        return 0;
    }
    return state->style | (state->visible ? WS_VISIBLE : 0) | (state->enabled ? 0 : WS_DISABLED);
}

uint32_t windowExStyle(WindowHandle window) {
    auto* state = nativeWindowState(window);
    return state ? state->exStyle : 0;
}

uint32_t windowClassStyle(WindowHandle window) {
    auto* state = nativeWindowState(window);
    return state ? state->classStyle : 0;
}

bool setWindowExStyle(WindowHandle window, uint32_t exStyle) {
    auto* state = nativeWindowState(window);
    if (state == nullptr) {
        return false;
    }
    bool wasTransparent = (state->exStyle & WS_EX_TRANSPARENT) != 0;
    bool nowTransparent = (exStyle & WS_EX_TRANSPARENT) != 0;
    state->exStyle = exStyle;
    if (wasTransparent != nowTransparent) {
        setWindowClickThrough(window, nowTransparent);
    }
    return true;
}

bool setWindowText(WindowHandle window, std::u16string_view text) {
    auto* state = nativeWindowState(window);
    if (state == nullptr) {
        return false;
    }
    state->text = std::u16string(text);
    if (NativeWindows* native = nativeSide()) {
        native->windowTextChanged(window);
    }
    return true;
}

std::u16string windowText(WindowHandle window) {
    auto* state = nativeWindowState(window);
    return state ? state->text : std::u16string();
}

bool setWindowIcon(WindowHandle window, const WindowPixels& icon) {
    auto* state = nativeWindowState(window);
    const bool shaped = icon.width >= 0 && icon.height >= 0 &&
                        icon.pixels.size() == static_cast<std::size_t>(icon.width) *
                                                  static_cast<std::size_t>(icon.height);
    if (state == nullptr || !shaped) {
        return false;
    }
    state->icon = icon;
    if (NativeWindows* native = nativeSide()) {
        native->windowIconChanged(window);
    }
    return true;
}

bool windowIcon(WindowHandle window, WindowPixels& out) {
    auto* state = nativeWindowState(window);
    if (state == nullptr || state->icon.pixels.empty()) {
        return false;
    }
    out = state->icon;
    return true;
}

bool enableWindow(WindowHandle window, bool enable) {
    auto* state = nativeWindowState(window);
    if (state == nullptr) {
        return false;
    }
    bool wasDisabled = !state->enabled;
    if (state->enabled != enable) {
        state->enabled = enable;
        if (!enable) {
            if (desktop().capture == window) {
                releaseCapture();
            }
            if (desktop().focus == window) {
                moveFocus(0);
            }
        }
        sendMessage(window, WM_ENABLE, enable ? 1 : 0, 0);
    }
    return wasDisabled;
}

bool isWindowEnabled(WindowHandle window) {
    auto* state = nativeWindowState(window);
    return state && state->enabled;
}

std::vector<WindowHandle> windowsInZOrder() {
    return desktop().zOrder;
}

WindowHandle windowFromPoint(Point screen) {
    for (WindowHandle window : desktop().zOrder) {
        auto* state = nativeWindowState(window);
        if (state == nullptr || !state->visible || state->iconic || state->passesPointer() ||
            !state->rect.contains(screen)) {
            continue;
        }
        Point local{screen.x - state->rect.left, screen.y - state->rect.top};
        if (state->region && !roundRegionContains(*state->region, local)) {
            continue;
        }
        return window;
    }
    return 0;
}

WindowHandle windowUnderPointer(WindowHandle eventWindow, Point screen) {
    auto* state = nativeWindowState(eventWindow);
    if (state && state->visible && !state->passesPointer() && state->rect.contains(screen)) {
        Point local{screen.x - state->rect.left, screen.y - state->rect.top};
        if (!state->region || roundRegionContains(*state->region, local)) {
            return eventWindow;
        }
    }
    return windowFromPoint(screen);
}

bool activateWindow(WindowHandle window, uint32_t how) {
    auto* state = nativeWindowState(window);
    if (state == nullptr || !canActivate(*state)) {
        return false;
    }
    activate(window, how);
    return true;
}

WindowHandle setActiveWindow(WindowHandle window) {
    if (!isUiThread()) {
        return 0;
    }
    if (window != 0) {
        auto* state = nativeWindowState(window);
        if (state == nullptr || !canActivate(*state)) {
            return 0;
        }
    }
    return activate(window, WA_ACTIVE);
}

WindowHandle activeWindow() {
    return desktop().active;
}

WindowHandle setFocus(WindowHandle window) {
    if (!isUiThread()) {
        return 0;
    }
    Desktop& d = desktop();
    WindowHandle previous = d.focus;
    if (window == 0) {
        moveFocus(0);
        return previous;
    }
    auto* state = nativeWindowState(window);
    if (state == nullptr || !state->enabled) {
        return 0;
    }
    if (d.active != window && canActivate(*state)) {
        activate(window, WA_ACTIVE);
    }
    if (d.focus != window) {
        moveFocus(window);
    }
    return previous;
}

WindowHandle focusWindow() {
    return desktop().focus;
}

WindowHandle setCapture(WindowHandle window) {
    Desktop& d = desktop();
    if (!isUiThread() || nativeWindowState(window) == nullptr) {
        return 0;
    }
    WindowHandle previous = d.capture;
    if (previous == window) {
        return previous;
    }
    d.capture = window;
    if (NativeWindows* native = nativeSide()) {
        native->captureChanged(window);
    }
    if (previous != 0 && isWindow(previous)) {
        sendMessage(previous, WM_CAPTURECHANGED, 0, static_cast<std::intptr_t>(window));
    }
    return previous;
}

bool releaseCapture() {
    Desktop& d = desktop();
    if (!isUiThread()) {
        return false;
    }
    WindowHandle previous = d.capture;
    if (previous == 0) {
        return true;
    }
    d.capture = 0;
    if (NativeWindows* native = nativeSide()) {
        native->captureChanged(0);
    }
    if (isWindow(previous)) {
        sendMessage(previous, WM_CAPTURECHANGED, 0, 0);
    }
    pointerInputCaptureReleased(previous);
    return true;
}

WindowHandle captureWindow() {
    return desktop().capture;
}

}  // namespace tamlo::platform

namespace tamlo::platform {

double windowScale(WindowHandle window) {
    const auto* state = nativeWindowState(window);
    return state != nullptr ? state->scale : desktop().defaultScale;
}

bool setWindowScale(WindowHandle window, double scale) {
    auto* state = nativeWindowState(window);
    if (state == nullptr || !(scale >= kMinDisplayScale && scale <= kMaxDisplayScale)) {
        return false;
    }
    if (state->scale != scale) {
        state->scale = scale;
        fitSurface(*state);
        invalidateRect(window, nullptr);
    }
    return true;
}

double defaultWindowScale() {
    return desktop().defaultScale;
}

void setDefaultWindowScale(double scale) {
    if (scale >= kMinDisplayScale && scale <= kMaxDisplayScale) {
        desktop().defaultScale = scale;
    }
}

RoundRegion deviceRegion(const RoundRegion& region, double scale) {
    return RoundRegion{toDevice(region.bounds, scale), toDevice(region.ellipseWidth, scale),
                       toDevice(region.ellipseHeight, scale)};
}

}  // namespace tamlo::platform
