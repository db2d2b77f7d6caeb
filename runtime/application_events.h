#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "dui/core/delegate.h"
#include "dui/core/event.h"

namespace tamlo {

// The application event table: event code to the handlers registered for it, raised on
// the UI thread with a null sender (worker notifications reach the windows this way).
// UI thread only.
class ApplicationEvents {
  public:
    // Appends a handler; the same pair may be registered more than once.
    void add(int32_t code, void* target, dui::HandlerFunction handler);

    // Disarms and removes the first matching handler, so a raise under way skips it.
    // False when nothing matched.
    bool remove(int32_t code, void* target, dui::HandlerFunction handler);

    // Calls the code's handlers in registration order until one sets handled. Every
    // handler is reached, however many there are. A code without handlers leaves the
    // record as it was.
    void raise(dui::Event& event) const;

    std::size_t handlerCount(int32_t code) const;

    // Disarms every handler (tear-down: routes still held skip them).
    void clear();

  private:
    std::map<int32_t, std::vector<dui::DelegateRef>> handlers_;
};

}  // namespace tamlo
