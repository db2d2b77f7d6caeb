#pragma once

#include <cstddef>
#include <cstdint>

#include "dui/core/event.h"

namespace tamlo::dui {

class Control;

// A handler is called on its target object with the sender control (null for application
// events) and the event record.
using HandlerFunction = void (*)(void* target, Control* sender, Event& event);

// A {target, handler} binding shared through DelegateRef handles. Records come from a
// fixed pool and go back to it when the last handle lets go. Clearing the handler
// disarms the delegate: routes that still hold it skip it.
class Delegate {
  public:
    void* target() const { return target_; }
    HandlerFunction handler() const { return handler_; }
    void disarm() { handler_ = nullptr; }
    bool matches(const void* target, HandlerFunction handler) const {
        return target_ == target && handler_ == handler;
    }
    void invoke(Control* sender, Event& event) const {
        HandlerFunction handler = handler_;
        if (handler != nullptr) {
            handler(target_, sender, event);
        }
    }

    // Kept trivial so the pool's records need no construction.
    void* target_;
    HandlerFunction handler_;
    uint32_t references_;
    bool fromHeap_;
    Delegate* nextFree_;
};

class DelegateRef {
  public:
    DelegateRef() = default;
    static DelegateRef create(void* target, HandlerFunction handler);

    DelegateRef(const DelegateRef& other) : record_(other.record_) { retain(); }
    DelegateRef(DelegateRef&& other) noexcept : record_(other.record_) { other.record_ = nullptr; }
    DelegateRef& operator=(const DelegateRef& other);
    DelegateRef& operator=(DelegateRef&& other) noexcept;
    ~DelegateRef() { release(); }

    Delegate* get() const { return record_; }
    Delegate* operator->() const { return record_; }
    explicit operator bool() const { return record_ != nullptr; }
    void reset() {
        release();
        record_ = nullptr;
    }

  private:
    explicit DelegateRef(Delegate* record) : record_(record) {}
    void retain() {
        if (record_ != nullptr) {
            ++record_->references_;
        }
    }
    void release();

    Delegate* record_ = nullptr;
};

// The pool of delegate records. UI thread only. When every pooled record is in use,
// further records come from the general heap and behave the same.
namespace DelegatePool {
constexpr std::size_t kCapacity = 50000;
std::size_t pooledInUse();
std::size_t heapInUse();
}  // namespace DelegatePool

}  // namespace tamlo::dui
