#include "dui/core/panel.h"
#include "window/window_impl.h"

namespace tamlo {

namespace code = dui::EventCode;

dui::Control* WindowImpl::dropTargetAt(const DragInfo& info) const {
    if (root() == nullptr || info.x < 0 || info.y < 0) {
        return nullptr;
    }
    for (dui::Control* node = root()->hitTest(info.x, info.y); node != nullptr;
         node = node->parent()) {
        if (node->hasFlags(dui::ControlFlag::AcceptsDrop)) {
            return node;
        }
    }
    return nullptr;
}

void WindowImpl::switchDropHover(dui::Control* target, DragInfo& info) {
    if (target == dropHover_) {
        return;
    }
    dui::Control* old = dropHover_;
    dropHover_ = target;
    const auto record = reinterpret_cast<std::uintptr_t>(&info);
    if (old != nullptr) {
        old->raiseEvent(code::DragLeave, dui::Direct, record, 0);
    }
    // The leave handler may have removed the new target (forgetControl clears it).
    if (dropHover_ != nullptr) {
        dropHover_->raiseEvent(code::DragEnter, dui::Direct, record, 0);
    }
}

void WindowImpl::onDragEnter(DragInfo& info) {
    dui::Control* target = dropTargetAt(info);
    if (target != nullptr && target->raiseEvent(code::DragEnter, dui::Direct,
                                                reinterpret_cast<std::uintptr_t>(&info), 0)) {
        dropHover_ = target->isAlive() ? target : nullptr;
        return;
    }
    if (info.effect != nullptr) {
        *info.effect = kDropEffectNone;
    }
}

void WindowImpl::onDragOver(DragInfo& info) {
    switchDropHover(dropTargetAt(info), info);
    bool handled = false;
    if (dropHover_ != nullptr) {
        handled = dropHover_->raiseEvent(code::DragOver, dui::Direct,
                                         reinterpret_cast<std::uintptr_t>(&info), 0);
    }
    if (!handled && info.effect != nullptr) {
        *info.effect = kDropEffectNone;
    }
}

void WindowImpl::onDragLeave(DragInfo& info) {
    dui::Control* old = dropHover_;
    dropHover_ = nullptr;
    if (old != nullptr) {
        old->raiseEvent(code::DragLeave, dui::Direct, reinterpret_cast<std::uintptr_t>(&info), 0);
    }
}

void WindowImpl::onDrop(DragInfo& info) {
    switchDropHover(dropTargetAt(info), info);
    dui::Control* target = dropHover_;
    dropHover_ = nullptr;
    uint32_t* answer = info.effect;
    if (target == nullptr) {
        if (answer != nullptr) {
            *answer = kDropEffectNone;
        }
        return;
    }
    DragInfo record = info;
    record.effect = nullptr;  // a drop has no effect left to choose
    target->raiseEvent(code::Drop, dui::Direct, reinterpret_cast<std::uintptr_t>(&record), 0);
}

}  // namespace tamlo
