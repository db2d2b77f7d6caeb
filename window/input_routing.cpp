#include "window/input_routing.h"

#include <algorithm>
#include <utility>

#include "dui/core/event.h"
#include "dui/core/panel.h"

namespace tamlo {
namespace {

using dui::Control;
using dui::Routing;
namespace code = dui::EventCode;
namespace flag = dui::ControlFlag;

}  // namespace

std::vector<dui::Control*> InputRouting::chainOf(dui::Control* innermost) {
    std::vector<Control*> chain;
    for (Control* node = innermost; node != nullptr && chain.size() < kMaxHoverChain;
         node = node->parent()) {
        chain.push_back(node);
    }
    return chain;
}

bool InputRouting::isSelfOrAncestor(const dui::Control* candidate, const dui::Control* control) {
    if (candidate == nullptr) {
        return false;
    }
    for (const Control* node = control; node != nullptr; node = node->parent()) {
        if (node == candidate) {
            return true;
        }
    }
    return false;
}

void InputRouting::repaintOnState(dui::Control* control) {
    if (control->hasFlags(flag::RepaintOnMouse)) {
        control->invalidate(false);
    }
}

// ---- hover ---------------------------------------------------------------------------

void InputRouting::hover(dui::Control* hit, std::uintptr_t wParam, std::intptr_t lParam) {
    host_.hideTooltip();
    moveHover(hit, chainOf(hit), true, wParam, lParam);
}

void InputRouting::moveHover(dui::Control* hovered, std::vector<dui::Control*> chain,
                             bool raiseEnters, std::uintptr_t wParam, std::intptr_t lParam) {
    const std::shared_ptr<bool> alive = aliveToken_;
    const std::vector<Control*> oldChain = hoverChain_;
    const std::vector<Control*> newChain = std::move(chain);
    // Both chains end at the root side; what they share there stays hovered.
    std::size_t common = 0;
    while (common < oldChain.size() && common < newChain.size() &&
           oldChain[oldChain.size() - 1 - common] == newChain[newChain.size() - 1 - common]) {
        ++common;
    }
    hovered_ = hovered;
    hoverChain_ = newChain;
    // Outermost first for both lists.
    for (std::size_t i = oldChain.size() - common; i-- > 0;) {
        Control* leaving = oldChain[i];
        if (!leaving->isAlive()) {
            continue;
        }
        repaintOnState(leaving);
        leaving->setFlags(flag::Hovered, false);
        leaving->raiseEvent(code::MouseLeave, Routing::Direct, wParam, lParam);
        if (!*alive) {
            return;
        }
    }
    if (!raiseEnters) {
        return;
    }
    for (std::size_t i = newChain.size() - common; i-- > 0;) {
        Control* entering = newChain[i];
        // Skip anything a leave handler took away.
        if (std::find(hoverChain_.begin(), hoverChain_.end(), entering) == hoverChain_.end()) {
            continue;
        }
        repaintOnState(entering);
        entering->setFlags(flag::Hovered, true);
        entering->raiseEvent(code::MouseEnter, Routing::Direct, wParam, lParam);
        if (!*alive) {
            return;
        }
    }
}

void InputRouting::leaveAll() {
    const std::shared_ptr<bool> alive = aliveToken_;
    const std::vector<Control*> chain = hoverChain_;
    hovered_ = nullptr;
    hoverChain_.clear();
    for (Control* leaving : chain) {
        if (!leaving->isAlive()) {
            continue;
        }
        repaintOnState(leaving);
        leaving->setFlags(flag::Hovered, false);
        leaving->raiseEvent(code::MouseLeave, Routing::Direct, 0, 0);
        if (!*alive) {
            return;
        }
    }
}

// ---- capture -------------------------------------------------------------------------

void InputRouting::capture(dui::Control* control, std::uintptr_t wParam, std::intptr_t lParam) {
    host_.captureNativeMouse();
    captured_ = control;
    control->setFlags(flag::Captured, true);
    control->raiseEvent(code::GotCapture, Routing::Direct, wParam, lParam);
}

void InputRouting::releaseCapture() {
    // Cleared first so that the capture-changed message the release causes finds nothing.
    Control* holder = captured_;
    captured_ = nullptr;
    host_.releaseNativeMouse();
    if (holder != nullptr && holder->isAlive()) {
        holder->setFlags(flag::Captured, false);
        holder->raiseEvent(code::LostCapture, Routing::Direct);
    }
}

void InputRouting::captureLost() {
    Control* holder = captured_;
    if (holder == nullptr) {
        return;
    }
    captured_ = nullptr;
    holder->invalidate(false);
    holder->setFlags(flag::Captured, false);
    holder->raiseEvent(code::LostCapture, Routing::Direct);
}

// ---- focus ---------------------------------------------------------------------------

void InputRouting::setFocus(dui::Control* control) {
    if (control == focused_) {
        return;
    }
    const std::shared_ptr<bool> alive = aliveToken_;
    savedFocus_ = nullptr;
    if (Control* losing = focused_) {
        focused_ = nullptr;
        losing->setFlags(flag::Focused, false);
        losing->raiseEvent(code::LostFocus, Routing::Direct);
        if (!*alive) {
            return;
        }
    }
    if (control == nullptr || !control->isAlive()) {
        return;
    }
    focused_ = control;
    host_.focusNativeWindow();
    // The native focus change may have moved the focus on already.
    if (!*alive || focused_ != control) {
        return;
    }
    control->setFlags(flag::Focused, true);
    control->raiseEvent(code::GotFocus, Routing::Direct);
}

void InputRouting::windowLostFocus() {
    if (Control* losing = focused_) {
        focused_ = nullptr;
        savedFocus_ = losing;
        // The focused flag stays set: the control gets it back on activation.
        losing->raiseEvent(code::LostFocus, Routing::Direct);
    }
}

// ---- the tree changing ---------------------------------------------------------------

void InputRouting::forgetPressAndFocus(dui::Control* control) {
    if (isSelfOrAncestor(control, captured_)) {
        releaseCapture();
    }
    if (isSelfOrAncestor(control, focused_)) {
        setFocus(nullptr);
    }
    if (isSelfOrAncestor(control, savedFocus_)) {
        savedFocus_ = nullptr;
    }
}

void InputRouting::forgetHover(dui::Control* control) {
    if (!isSelfOrAncestor(control, hovered_)) {
        // A control still in the chain after its hovered child went (a panel removed with
        // its subtree) leaves it quietly with everything inside it, so no pointer to it
        // outlives it.
        const auto found = std::find(hoverChain_.begin(), hoverChain_.end(), control);
        if (found != hoverChain_.end()) {
            for (auto it = hoverChain_.begin(); it != found + 1; ++it) {
                (*it)->setFlags(flag::Hovered, false);
            }
            hoverChain_.erase(hoverChain_.begin(), found + 1);
        }
        return;
    }
    const std::shared_ptr<bool> alive = aliveToken_;
    host_.hideTooltip();
    // Nothing enters: what stays under the pointer is found by the refresh.
    moveHover(nullptr, chainOf(control->parent()), false, 0, 0);
    if (*alive) {
        host_.refreshHover();
    }
}

void InputRouting::reset() {
    captured_ = focused_ = savedFocus_ = hovered_ = nullptr;
    hoverChain_.clear();
}

}  // namespace tamlo
