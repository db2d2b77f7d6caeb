#include "window/drop_target.h"

#include "window/window_impl.h"

namespace tamlo {

void CDropTarget::installRouting() {
    platform::setDragHandler([](const platform::DragEvent& event) {
        auto* window = dynamic_cast<WindowImpl*>(WindowBase::fromHandle(event.window));
        if (window == nullptr) {
            return false;
        }
        DragInfo info;
        info.data = event.payload;
        info.x = event.client.x;
        info.y = event.client.y;
        return window->handleDrag(event.phase, info);
    });
}

bool CDropTarget::handleDrag(platform::DragPhase phase, const DragInfo& where) {
    uint32_t effect = kDropEffectCopy;
    DragInfo info = where;
    switch (phase) {
        case platform::DragPhase::Enter:
            // Anything dragged is followed; where no control takes it the effect is none,
            // and a later move over a control that does may still grant it.
            if (where.data == nullptr) {
                accepting_ = false;
                return false;
            }
            info.effect = &effect;
            info.data = nullptr;
            accepting_ = true;
            onDragEnter(info);
            return effect != kDropEffectNone;
        case platform::DragPhase::Over:
            if (!accepting_) {
                return false;
            }
            info.effect = &effect;
            info.data = nullptr;
            onDragOver(info);
            return effect != kDropEffectNone;
        case platform::DragPhase::Leave:
            if (accepting_) {
                accepting_ = false;
                info.effect = nullptr;
                info.data = nullptr;
                onDragLeave(info);
            }
            return false;
        case platform::DragPhase::Drop:
            if (!accepting_) {
                return false;
            }
            accepting_ = false;
            info.effect = &effect;  // for the answer only: controls see none
            onDrop(info);
            return effect != kDropEffectNone;
    }
    return false;
}

}  // namespace tamlo
