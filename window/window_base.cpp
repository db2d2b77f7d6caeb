#include "window/window_base.h"

#include <algorithm>
#include <string>

#include "platform/debug_sink.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/native_window.h"
#include "platform/windowing/window_registry.h"

namespace tamlo {
namespace {
constexpr uint32_t kRepaintMessage = win32::WM_USER + 1;
constexpr std::uintptr_t kSizeMinimized = 1;
}  // namespace

WindowBase::WindowBase() = default;

WindowBase::~WindowBase() {
    if (handle_ != 0) {
        // Unbind first so the destruction messages no longer reach this object.
        const platform::WindowHandle window = handle_;
        handle_ = 0;
        platform::setWindowUserData(window, nullptr);
        platform::destroyWindow(window);
    }
    releaseRoot();
    idMap_.clear();
}

void WindowBase::releaseRoot() {
    if (root_ != nullptr) {
        dui::Control* doomed = root_;
        root_ = nullptr;
        doomed->detach();
        delete doomed;
    }
}

void WindowBase::setRoot(dui::Control* root) {
    if (root == root_) {
        return;
    }
    releaseRoot();
    root_ = root;
    if (root_ != nullptr && handle_ != 0) {
        onCreate();
    }
}

bool WindowBase::create(uint32_t exStyle, uint32_t style, int32_t x, int32_t y, int32_t width,
                        int32_t height, platform::WindowHandle owner) {
    if (handle_ != 0) {
        return false;
    }
    platform::WindowCreation creation;
    creation.className = kClassName;
    creation.classStyle = win32::CS_DBLCLKS;  // the engine class asks for double clicks
    creation.procedure = &WindowBase::windowProcedure;
    creation.userData = this;
    creation.exStyle = exStyle;
    creation.style = style;
    creation.x = x;
    creation.y = y;
    creation.width = width;
    creation.height = height;
    creation.owner = owner;
    clientSize_ = Size{width, height};
    const platform::WindowHandle made = platform::createWindow(creation);
    if (made == 0) {
        handle_ = 0;
        return false;
    }
    handle_ = made;
    return true;
}

void WindowBase::destroy() {
    if (handle_ != 0) {
        platform::destroyWindow(handle_);
    }
}

WindowBase* WindowBase::fromHandle(platform::WindowHandle window) {
    return static_cast<WindowBase*>(platform::windowUserData(window));
}

std::intptr_t WindowBase::windowProcedure(platform::WindowHandle window, uint32_t message,
                                          std::uintptr_t wParam, std::intptr_t lParam) {
    WindowBase* self = fromHandle(window);
    if (self == nullptr) {
        return platform::defWindowProc(window, message, wParam, lParam);
    }
    if (self->handle_ == 0 && message == win32::WM_CREATE) {
        self->handle_ = window;  // known before the first message is handled
    }
    return self->handleMessage(message, wParam, lParam);
}

std::intptr_t WindowBase::handleMessage(uint32_t message, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
    switch (message) {
        case win32::WM_CREATE:
            onCreate();
            return 0;
        case win32::WM_SIZE:
            if (wParam != kSizeMinimized) {
                onResize(platform::lowWord(static_cast<std::uintptr_t>(lParam)),
                         platform::highWord(static_cast<std::uintptr_t>(lParam)));
            }
            return 0;
        case kRepaintMessage:
            flush();
            return 0;
        case win32::WM_DESTROY:
            // The native window is going: the tree leaves it, then the object goes.
            platform::setWindowUserData(handle_, nullptr);
            handle_ = 0;
            if (root_ != nullptr) {
                root_->detach();
            }
            delete this;
            return 0;
        default:
            return platform::defWindowProc(handle_, message, wParam, lParam);
    }
}

void WindowBase::onCreate() {
    if (root_ == nullptr) {
        return;
    }
    // 1. The whole tree joins the window; ids enter the map.
    root_->attach(this);
    Size size;
    if (!layOutForCreation(&size)) {
        releaseRoot();  // a window without a tree: its maker gives up on it
        return;
    }
    clientSize_ = size;
}

bool WindowBase::clientSizeAllowed(Size size) {
    const int64_t width = std::max(size.width, 0);
    const int64_t height = std::max(size.height, 0);
    return width <= kMaxClientSide && height <= kMaxClientSide &&
           width * height <= kMaxClientPixels;
}

bool WindowBase::layOutForCreation(Size* size) {
    // 2. The window takes "initSize", or what the root wants of a large screen.
    const bool initial = root_->getSize(dui::key::initSize, *size);
    if (!initial) {
        *size = root_->measure(kDefaultMeasureWidth, kDefaultMeasureHeight);
    }
    if (!clientSizeAllowed(*size)) {
        debugOutput("window: a client area of " + std::to_string(size->width) + "x" +
                    std::to_string(size->height) + " is past the limit (" +
                    std::to_string(kMaxClientSide) + " a side, " +
                    std::to_string(kMaxClientPixels) + " pixels); refused");
        return false;
    }
    if (initial) {
        root_->measure(size->width, size->height);
    }

    // 3. Lay the tree out over the whole window.
    root_->arrange(Rect{0, 0, size->width, size->height});
    return true;
}

void WindowBase::fitWindowToRoot() {
    if (root_ == nullptr || handle_ == 0) {
        return;
    }
    Size size;
    if (!layOutForCreation(&size)) {
        updateLayout();  // the window keeps its size and its tree fills it again
        return;
    }
    platform::setWindowPos(handle_, 0, 0, 0, size.width, size.height,
                           win32::SWP_NOMOVE | win32::SWP_NOZORDER | win32::SWP_NOACTIVATE);
    clientSize_ = size;
    root_->invalidate(false);
}

void WindowBase::onResize(int32_t width, int32_t height) {
    clientSize_ = Size{width, height};
    if (root_ == nullptr) {
        return;
    }
    if (root_->rect().right != width || root_->rect().bottom != height) {
        updateLayout();
    }
    root_->invalidate(false);
}

void WindowBase::resize(int32_t width, int32_t height) {
    if (handle_ == 0) {
        return;
    }
    platform::sendMessage(handle_, win32::WM_SIZE, 0, platform::makeLParam(width, height));
}

void WindowBase::updateLayout() {
    if (root_ == nullptr) {
        return;
    }
    root_->measure(clientSize_.width, clientSize_.height);
    root_->arrange(Rect{0, 0, clientSize_.width, clientSize_.height});
}

dui::Control* WindowBase::controlById(int32_t id) const {
    auto found = idMap_.find(id);
    return found == idMap_.end() ? nullptr : found->second;
}

void WindowBase::registerControlId(int32_t id, dui::Control* control) {
    idMap_[id] = control;
}

void WindowBase::forgetControl(dui::Control*) {
    // Focus, capture and hover belong to the input handling built on this class.
}

void WindowBase::controlDetached(dui::Control* control) {
    // A control that left the window must not be found by id any more.
    if (control->hasInt(dui::key::id)) {
        auto found = idMap_.find(control->getInt(dui::key::id, 0));
        if (found != idMap_.end() && found->second == control) {
            idMap_.erase(found);
            return;
        }
    }
    for (auto it = idMap_.begin(); it != idMap_.end();) {
        it = it->second == control ? idMap_.erase(it) : std::next(it);
    }
}

Rect WindowBase::clientRect() const {
    return Rect{0, 0, clientSize_.width, clientSize_.height};
}

void WindowBase::invalidateRect(const Rect&) {
    // The dirty region belongs to the painting built on this class.
}

std::intptr_t WindowBase::sendToWindow(uint32_t message, std::uintptr_t wParam,
                                       std::intptr_t lParam) {
    return handle_ == 0 ? 0 : platform::sendMessage(handle_, message, wParam, lParam);
}

bool WindowBase::postToWindow(uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return handle_ != 0 && platform::postMessage(handle_, message, wParam, lParam);
}

void WindowBase::requestRepaint(bool synchronous) {
    if (handle_ == 0) {
        return;
    }
    if (synchronous) {
        platform::sendMessage(handle_, kRepaintMessage, 0, 0);
    } else {
        platform::postMessage(handle_, kRepaintMessage, 0, 0);
    }
}

}  // namespace tamlo
