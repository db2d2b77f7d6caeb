#pragma once

#include <cstdint>
#include <map>

#include "dui/core/control.h"
#include "dui/core/host_window.h"
#include "platform/backend.h"

namespace tamlo {

// A native window that hosts one control tree: it attaches the root when the window is
// made, sizes the window from the root, lays the tree out and lays it out again when the
// window is resized, and keeps the map from `id` to control. Message handling beyond
// that (input, painting) is added by the classes built on it.
//
// Objects live on the heap: destroying the native window deletes the object.
class WindowBase : public dui::HostWindow {
  public:
    // Every engine window uses this one private window class.
    static constexpr const char16_t* kClassName = u"WINDOW:234:000";
    // The size a root without "initSize" is measured against.
    static constexpr int32_t kDefaultMeasureWidth = 1024;
    static constexpr int32_t kDefaultMeasureHeight = 768;
    // The largest client area a layout may ask for (a 4K screen fits): past either limit
    // the window is refused its tree (creation) or keeps its size (fitWindowToRoot), with
    // a debug line. Every pixel costs a back buffer and a native surface.
    static constexpr int32_t kMaxClientSide = 8192;
    static constexpr int64_t kMaxClientPixels = int64_t{1} << 23;
    static bool clientSizeAllowed(Size size);

    WindowBase();
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;
    // Detaches and deletes the tree and, when it still exists, the native window.
    virtual ~WindowBase();

    // Takes ownership of the tree to host; call before create. A previous root is
    // detached and deleted.
    void setRoot(dui::Control* root);
    dui::Control* root() const { return root_; }

    // Makes the native window; WM_CREATE attaches, sizes and lays out the tree. False
    // when no window was made (the object then has no handle).
    bool create(uint32_t exStyle, uint32_t style, int32_t x, int32_t y, int32_t width,
                int32_t height, platform::WindowHandle owner);
    platform::WindowHandle handle() const { return handle_; }
    // Destroys the native window, which deletes this object.
    void destroy();

    // The window a handle belongs to, or null.
    static WindowBase* fromHandle(platform::WindowHandle window);

    // Resizes the client area the way the user or the system would: WM_SIZE follows.
    void resize(int32_t width, int32_t height);
    Size clientSize() const { return clientSize_; }

    // Measures the root with the client size and arranges it over the client area.
    void updateLayout();
    // Lays the root out again as creation does ("initSize", else what it wants of a
    // large screen) and resizes the window to that size.
    void fitWindowToRoot();

    // The attached control entered under `id`, or null.
    dui::Control* controlById(int32_t id) const;

    virtual std::intptr_t handleMessage(uint32_t message, std::uintptr_t wParam,
                                        std::intptr_t lParam);

    // dui::HostWindow
    void registerControlId(int32_t id, dui::Control* control) override;
    void forgetControl(dui::Control* control) override;
    void controlDetached(dui::Control* control) override;
    Rect clientRect() const override;
    void invalidateRect(const Rect& area) override;
    void requestRepaint(bool synchronous) override;
    Point cursorPosition() const override { return cursor_; }
    std::intptr_t sendToWindow(uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) override;
    bool postToWindow(uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    std::uintptr_t nativeHandle() const override { return handle_; }

  protected:
    // WM_CREATE: attach the root, size the window from it, arrange it.
    virtual void onCreate();
    // WM_SIZE (not minimised): the new client size; the tree follows when it no longer
    // fills the client area.
    virtual void onResize(int32_t width, int32_t height);
    // WM_USER + 1: draw what was invalidated. Nothing is drawn at this level.
    virtual void flush() {}

    void setCursorPosition(Point cursor) { cursor_ = cursor; }
    void setClientSize(Size size) { clientSize_ = size; }

  private:
    static std::intptr_t windowProcedure(platform::WindowHandle window, uint32_t message,
                                         std::uintptr_t wParam, std::intptr_t lParam);
    void releaseRoot();
    // Measures the root by "initSize" or the default screen and arranges it over that
    // size; false (nothing arranged) when the size is not allowed.
    bool layOutForCreation(Size* size);

    platform::WindowHandle handle_ = 0;
    dui::Control* root_ = nullptr;
    std::map<int32_t, dui::Control*> idMap_;
    Size clientSize_;
    Point cursor_;
};

}  // namespace tamlo
