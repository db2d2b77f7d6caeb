#include "dui/core/event_route.h"

namespace tamlo::dui {

void EventRoute::append(const DelegateRef& delegate) {
    if (size_ < kInlineCapacity) {
        inline_[size_] = delegate;
    } else {
        overflow_.push_back(delegate);
    }
    ++size_;
}

void EventRoute::invokeForward(Control* sender, Event& event) const {
    for (std::size_t i = 0; i < size_; ++i) {
        if (event.handled != 0) {
            return;
        }
        at(i)->invoke(sender, event);
    }
}

void EventRoute::invokeBackward(Control* sender, Event& event) const {
    for (std::size_t i = size_; i > 0; --i) {
        if (event.handled != 0) {
            return;
        }
        at(i - 1)->invoke(sender, event);
    }
}

}  // namespace tamlo::dui
