#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

#include "dui/core/control_flags.h"
#include "dui/core/delegate.h"
#include "dui/core/event.h"
#include "dui/core/object.h"
#include "platform/geometry.h"

namespace tamlo::render {
class DrawingContext;
}

namespace tamlo::dui {

using render::DrawingContext;
class HostWindow;
class Panel;

// A node of a window's control tree: links, geometry, flags, per-code handler lists
// and the operations every control type overrides.
class Control : public Object {
  public:
    Control();
    ~Control() override;

    // --- tree ---
    Panel* parent() const { return parent_; }
    Control* previousSibling() const { return previous_; }
    Control* nextSibling() const { return next_; }
    HostWindow* window() const { return window_; }
    virtual Panel* asPanel() { return nullptr; }
    // A control owned by another one (a tab item's page) points to a panel without
    // being in its child list.
    void setParentLink(Panel* parent) { parent_ = parent; }

    // --- geometry (written by layout) ---
    using Object::setRect;
    const Rect& rect() const { return rect_; }
    void setRect(const Rect& rect) { rect_ = rect; }
    const Size& desiredSize() const { return desiredSize_; }
    // The two layout passes (dui/layout): measure stores and returns the desired size,
    // margins included; arrange places the control in `slot` (parent coordinates).
    // 65536 as an available extent means unbounded.
    Size measure(int32_t availableWidth, int32_t availableHeight);
    void arrange(const Rect& slot);

    // --- flags ---
    uint32_t flags() const { return flags_; }
    bool hasFlags(uint32_t mask) const { return (flags_ & mask) == mask; }
    void setFlags(uint32_t mask, bool on);
    // By bit number, as scripts address them. Bits outside 0..31 read as clear and
    // are not written; the panel bit is structural and the wrapped bit the engine's
    // bookkeeping: neither changes through writeFlag.
    bool readFlag(int32_t bit) const;
    void writeFlag(int32_t bit, bool on);
    bool isEnabled() const { return hasFlags(ControlFlag::Enabled); }
    bool isVisible() const { return hasFlags(ControlFlag::Visible); }
    bool isChecked() const { return hasFlags(ControlFlag::Checked); }

    // --- events ---
    // Appends a handler for `code`; duplicates are allowed.
    void addHandler(int32_t code, void* target, HandlerFunction handler);
    // Disarms and removes the first matching handler of `code`, if any.
    void removeHandler(int32_t code, void* target, HandlerFunction handler);
    std::size_t handlerCount(int32_t code) const;
    // Dispatches now; the caller reads `event.handled` afterwards. Does nothing unless alive.
    void raiseEvent(Event& event);
    // Shorthand for a fresh record; returns whether it was handled.
    bool raiseEvent(int32_t code, int32_t routing, std::uintptr_t wParam = 0,
                    std::intptr_t lParam = 0);
    // Raises a copy later on the UI thread, unless this control has left its window by
    // then. Callable from any thread while the control exists.
    void postEvent(const Event& event);

    // --- window membership ---
    bool isAlive() const;
    // Puts this control (and its subtree, parent first) into `window`.
    void attach(HostWindow* window);
    // Takes this control (and its subtree, deepest first) out of its window.
    void detach();

    // --- state ---
    // Each changes its bit only when it differs, then asks for a posted repaint; turning a
    // control off also makes its window forget it. None of them triggers layout.
    void setChecked(bool on);
    void setEnabled(bool on);
    void setVisible(bool on);
    // Asks the window to repaint this control's area, now or through a posted message.
    void invalidate(bool synchronous);
    // This control's area in window-client coordinates; false unless alive.
    bool absoluteRect(Rect& out) const;
    // The window's cursor position relative to this control's top-left; false unless alive.
    bool cursorToLocal(Point& out) const;

    // --- operations control types override ---
    // bounds: this control's rect in client coordinates; clip: its visible part.
    virtual void paint(DrawingContext& context, const Rect& bounds, const Rect& clip);
    // x, y in the parent's coordinates.
    virtual Control* hitTest(int32_t x, int32_t y);
    virtual std::u16string_view getName() const { return u"Control"; }
    virtual Size measureContent(int32_t availableWidth, int32_t availableHeight);
    virtual Size arrangeContent(int32_t width, int32_t height);

    // Called when a control that has a script wrapper is destroyed, so the script host
    // can drop the wrapper.
    using ScriptReleaseHook = void (*)(Control* control);
    static void setScriptReleaseHook(ScriptReleaseHook hook);

  protected:
    // Draws the control's `style`, if it names one the style set can load.
    void paintStyle(DrawingContext& context, const Rect& bounds);

  private:
    friend class Panel;
    struct PostedEvent;
    static void deliverPostedEvent(void* object, std::uintptr_t target, std::uintptr_t posted);
    void collectRoute(int32_t code, int32_t routing, class EventRoute& route) const;
    Point originInClient() const;
    void switchOnOrOff(uint32_t mask, bool on);

    Panel* parent_ = nullptr;
    Control* previous_ = nullptr;
    Control* next_ = nullptr;
    HostWindow* window_ = nullptr;
    Rect rect_;
    Size desiredSize_;
    std::map<int32_t, std::vector<DelegateRef>> handlers_;
    uint32_t flags_ = ControlFlag::Enabled | ControlFlag::Visible;
    // Distinguishes this control from a later one built at the same address.
    uint64_t serial_;
};

}  // namespace tamlo::dui
