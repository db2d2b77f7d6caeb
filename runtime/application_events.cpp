#include "runtime/application_events.h"

#include <algorithm>

#include "dui/core/event_route.h"

namespace tamlo {

void ApplicationEvents::add(int32_t code, void* target, dui::HandlerFunction handler) {
    handlers_[code].push_back(dui::DelegateRef::create(target, handler));
}

bool ApplicationEvents::remove(int32_t code, void* target, dui::HandlerFunction handler) {
    auto list = handlers_.find(code);
    if (list == handlers_.end()) {
        return false;
    }
    auto& delegates = list->second;
    auto it = std::find_if(delegates.begin(), delegates.end(), [&](const dui::DelegateRef& d) {
        return d && d->matches(target, handler);
    });
    if (it == delegates.end()) {
        return false;
    }
    (*it)->disarm();
    delegates.erase(it);
    return true;
}

void ApplicationEvents::raise(dui::Event& event) const {
    auto list = handlers_.find(event.code);
    if (list == handlers_.end() || list->second.empty()) {
        return;
    }
    // The route holds its own references: handlers may register or unregister freely.
    dui::EventRoute route;
    for (const dui::DelegateRef& delegate : list->second) {
        route.append(delegate);
    }
    route.invokeForward(nullptr, event);
}

std::size_t ApplicationEvents::handlerCount(int32_t code) const {
    auto list = handlers_.find(code);
    return list == handlers_.end() ? 0 : list->second.size();
}

void ApplicationEvents::clear() {
    for (auto& [code, delegates] : handlers_) {
        for (dui::DelegateRef& delegate : delegates) {
            if (delegate) {
                delegate->disarm();
            }
        }
    }
    handlers_.clear();
}

}  // namespace tamlo
