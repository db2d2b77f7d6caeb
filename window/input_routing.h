#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "dui/core/control.h"

namespace tamlo {

// Which controls of a tree are hovered, hold the mouse capture and have the keyboard
// focus, and the events that tell them when that changes. It knows no native window:
// what it needs of one goes through `Host`, so a plain control tree can drive it.
// UI thread only.
class InputRouting {
  public:
    static constexpr std::size_t kMaxHoverChain = 32;

    // What the routing asks of the window that owns it.
    class Host {
      public:
        // Takes the native mouse capture for the window.
        virtual void captureNativeMouse() = 0;
        // Gives the native mouse capture back, if the window holds it.
        virtual void releaseNativeMouse() = 0;
        // Makes the window the native focus window, unless it is already; may deliver
        // focus messages that move the control focus again.
        virtual void focusNativeWindow() = 0;
        virtual void hideTooltip() = 0;
        // Asks for the hover to be worked out again from where the pointer is now.
        virtual void refreshHover() = 0;

      protected:
        ~Host() = default;
    };

    explicit InputRouting(Host& host) : host_(host) {}
    InputRouting(const InputRouting&) = delete;
    InputRouting& operator=(const InputRouting&) = delete;
    // Handlers that delete the routing mid-event find it gone through this.
    ~InputRouting() { *aliveToken_ = false; }

    dui::Control* captured() const { return captured_; }
    dui::Control* focused() const { return focused_; }
    dui::Control* savedFocus() const { return savedFocus_; }
    dui::Control* hovered() const { return hovered_; }
    // Innermost first: the hovered control and its ancestors, at most kMaxHoverChain.
    const std::vector<dui::Control*>& hoverChain() const { return hoverChain_; }

    // --- hover ---
    // `hit` becomes the hovered control: MouseLeave goes to what left the chain and
    // MouseEnter to what joined it, outermost first, both below the common ancestor.
    void hover(dui::Control* hit, std::uintptr_t wParam, std::intptr_t lParam);
    // The pointer left the window: the whole chain leaves, innermost first.
    void leaveAll();

    // --- capture ---
    // Gives `control` the mouse capture (GotCapture).
    void capture(dui::Control* control, std::uintptr_t wParam, std::intptr_t lParam);
    // Ends the capture, native and of the control (LostCapture).
    void releaseCapture();
    // The window lost the native capture to someone else.
    void captureLost();

    // --- focus ---
    // Moves the focus (LostFocus, then GotFocus); null clears it.
    void setFocus(dui::Control* control);
    // The window lost the native focus: the focused control is kept for its return.
    void windowLostFocus();

    // --- the tree changing ---
    // `control` is leaving the window: whatever of it and its subtree the routing holds
    // lets go. Capture and focus first, then the hover.
    void forget(dui::Control* control) {
        forgetPressAndFocus(control);
        forgetHover(control);
    }
    void forgetPressAndFocus(dui::Control* control);
    void forgetHover(dui::Control* control);
    // Drops every pointer without an event (the window is going).
    void reset();

    // A control that draws its mouse states repaints when one changes.
    static void repaintOnState(dui::Control* control);
    static bool isSelfOrAncestor(const dui::Control* candidate, const dui::Control* control);
    // `innermost` and its ancestors, cut at kMaxHoverChain.
    static std::vector<dui::Control*> chainOf(dui::Control* innermost);

  private:
    // The one hover change both a move and a removal make: leaves, then (when
    // `raiseEnters`) enters, stopping when a handler deletes the routing.
    void moveHover(dui::Control* hovered, std::vector<dui::Control*> chain, bool raiseEnters,
                   std::uintptr_t wParam, std::intptr_t lParam);

    Host& host_;
    dui::Control* captured_ = nullptr;
    dui::Control* focused_ = nullptr;
    dui::Control* savedFocus_ = nullptr;
    dui::Control* hovered_ = nullptr;
    std::vector<dui::Control*> hoverChain_;
    std::shared_ptr<bool> aliveToken_ = std::make_shared<bool>(true);
};

}  // namespace tamlo
