#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "dui/core/delegate.h"

namespace tamlo::dui {

// The delegates one dispatch will call, collected before the first call. Holding the
// references keeps every record alive until the route is discarded, so handlers may
// remove handlers (or whole controls) while it runs. The first 32 entries live inline;
// a longer route spills into the heap instead of dropping handlers.
class EventRoute {
  public:
    static constexpr std::size_t kInlineCapacity = 32;

    void append(const DelegateRef& delegate);
    std::size_t size() const { return size_; }
    const DelegateRef& at(std::size_t index) const {
        return index < kInlineCapacity ? inline_[index] : overflow_[index - kInlineCapacity];
    }

    // Calls the armed entries first to last, or last to first; stops as soon as the
    // record is handled.
    void invokeForward(Control* sender, Event& event) const;
    void invokeBackward(Control* sender, Event& event) const;

  private:
    std::array<DelegateRef, kInlineCapacity> inline_;
    std::vector<DelegateRef> overflow_;
    std::size_t size_ = 0;
};

}  // namespace tamlo::dui
