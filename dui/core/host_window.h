#pragma once

#include <cstdint>

#include "platform/geometry.h"

namespace tamlo::dui {

class Control;

// What a control tree needs from the window it is attached to. The top-level window
// classes implement it; controls reach it through their `window()` link.
class HostWindow {
  public:
    // Enters an attached control in the window's id map; a later control with the same
    // id replaces the earlier one.
    virtual void registerControlId(int32_t id, Control* control) = 0;

    // The control is leaving the window (detach, or destruction of a control that was
    // never detached): the window drops every pointer it keeps to it - focus, capture,
    // hover chain, drop target and id map entries.
    virtual void forgetControl(Control* control) = 0;

    // The control has left the window for good (detached or destroyed), unlike a control
    // that is merely hidden or disabled: the window may drop its id map entries.
    virtual void controlDetached(Control* /*control*/) {}

    // The client area, origin at the root control's top-left corner.
    virtual Rect clientRect() const = 0;

    // Adds an area (client coordinates) to the region the next repaint draws.
    virtual void invalidateRect(const Rect& area) = 0;

    // Sends (synchronous) or posts the private repaint message.
    virtual void requestRepaint(bool synchronous) = 0;

    // The mouse position last seen by the window, in client coordinates.
    virtual Point cursorPosition() const = 0;

    // The window's one text caret (client coordinates). Hiding it also cancels an input
    // method's composition; the composition is drawn where the caret is.
    virtual void setCaretSize(int32_t /*width*/, int32_t /*height*/) {}
    virtual void showCaret(int32_t /*x*/, int32_t /*y*/) {}
    virtual void hideCaret() {}

    // Sends a message to the native window (a title bar asks it to start a move).
    virtual std::intptr_t sendToWindow(uint32_t /*message*/, std::uintptr_t /*wParam*/,
                                       std::intptr_t /*lParam*/) {
        return 0;
    }

    // Posts a message to the native window (a list asks for a fresh mouse move after it
    // scrolled, so hover follows the moved content).
    virtual bool postToWindow(uint32_t /*message*/, std::uintptr_t /*wParam*/,
                              std::intptr_t /*lParam*/) {
        return false;
    }

    // Moves keyboard focus inside the window to `control` (a list takes it on a press
    // that lands on one of its items).
    virtual void focusControl(Control* /*control*/) {}

    // The native window's handle (0 for a window that has none), for what the backend
    // places inside it.
    virtual std::uintptr_t nativeHandle() const { return 0; }

  protected:
    ~HostWindow() = default;
};

}  // namespace tamlo::dui
