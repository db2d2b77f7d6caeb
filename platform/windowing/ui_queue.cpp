#include <mutex>

#include "platform/backend.h"
#include "platform/windowing/message_queue.h"

namespace tamlo::platform {
namespace {

// The pointer is read by posting threads; the queue itself is shared so that a post
// racing with a replacement still finishes on a live object.
struct UiQueueSlot {
    std::mutex mutex;
    std::shared_ptr<MessageQueue> queue;
};

UiQueueSlot& slot() {
    static UiQueueSlot instance;
    return instance;
}

std::unique_ptr<MessagePump> defaultPump() {
    if (backendStarted()) {
        if (auto pump = backend().createMessagePump()) {
            return pump;
        }
    }
    return std::make_unique<ConditionPump>();
}

}  // namespace

std::unique_ptr<MessagePump> Backend::createMessagePump() {
    return std::make_unique<ConditionPump>();
}

MessageQueue& uiQueue() {
    UiQueueSlot& s = slot();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.queue) {
        s.queue = std::make_shared<MessageQueue>(defaultPump());
    }
    return *s.queue;
}

std::shared_ptr<MessageQueue> uiQueueIfAny() {
    UiQueueSlot& s = slot();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.queue;
}

MessageQueue& createUiQueue(std::unique_ptr<MessagePump> pump) {
    auto fresh = std::make_shared<MessageQueue>(pump ? std::move(pump) : defaultPump());
    std::shared_ptr<MessageQueue> old;
    UiQueueSlot& s = slot();
    std::lock_guard<std::mutex> lock(s.mutex);
    old = std::move(s.queue);
    s.queue = fresh;
    return *fresh;
}

void discardUiQueue() {
    std::shared_ptr<MessageQueue> old;
    UiQueueSlot& s = slot();
    std::lock_guard<std::mutex> lock(s.mutex);
    old = std::move(s.queue);
}

}  // namespace tamlo::platform
