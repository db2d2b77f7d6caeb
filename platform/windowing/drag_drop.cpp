#include "platform/windowing/drag_drop.h"

#include "platform/windowing/window_registry.h"

namespace tamlo::platform {
namespace {

DragHandler& handlerSlot() {
    static DragHandler handler;
    return handler;
}

}  // namespace

DragHandler setDragHandler(DragHandler handler) {
    DragHandler previous = std::move(handlerSlot());
    handlerSlot() = std::move(handler);
    return previous;
}

bool deliverDragEvent(const DragEvent& event) {
    // Copied: a handler may replace itself.
    DragHandler handler = handlerSlot();
    if (!handler || !isWindow(event.window)) {
        return false;
    }
    return handler(event);
}

}  // namespace tamlo::platform
