#include "dui/core/delegate.h"

#include <utility>

namespace tamlo::dui {

namespace {

// Zero-initialised storage: records are handed out in order the first time and recycled
// through the free list afterwards.
Delegate gRecords[DelegatePool::kCapacity];
std::size_t gNeverUsed = 0;
Delegate* gFreeList = nullptr;
std::size_t gPooledInUse = 0;
std::size_t gHeapInUse = 0;

Delegate* takeRecord() {
    Delegate* record = nullptr;
    if (gFreeList != nullptr) {
        record = gFreeList;
        gFreeList = record->nextFree_;
    } else if (gNeverUsed < DelegatePool::kCapacity) {
        record = &gRecords[gNeverUsed++];
    }
    if (record != nullptr) {
        record->fromHeap_ = false;
        ++gPooledInUse;
        return record;
    }
    record = new Delegate();
    record->fromHeap_ = true;
    ++gHeapInUse;
    return record;
}

void giveBack(Delegate* record) {
    if (record->fromHeap_) {
        --gHeapInUse;
        delete record;
        return;
    }
    record->target_ = nullptr;
    record->handler_ = nullptr;
    record->nextFree_ = gFreeList;
    gFreeList = record;
    --gPooledInUse;
}

}  // namespace

DelegateRef DelegateRef::create(void* target, HandlerFunction handler) {
    Delegate* record = takeRecord();
    record->target_ = target;
    record->handler_ = handler;
    record->references_ = 1;
    record->nextFree_ = nullptr;
    return DelegateRef(record);
}

DelegateRef& DelegateRef::operator=(const DelegateRef& other) {
    if (record_ != other.record_) {
        Delegate* previous = record_;
        record_ = other.record_;
        retain();
        if (previous != nullptr && --previous->references_ == 0) {
            giveBack(previous);
        }
    }
    return *this;
}

DelegateRef& DelegateRef::operator=(DelegateRef&& other) noexcept {
    if (this != &other) {
        release();
        record_ = std::exchange(other.record_, nullptr);
    }
    return *this;
}

void DelegateRef::release() {
    if (record_ != nullptr && --record_->references_ == 0) {
        giveBack(record_);
    }
    record_ = nullptr;
}

namespace DelegatePool {
std::size_t pooledInUse() {
    return gPooledInUse;
}
std::size_t heapInUse() {
    return gHeapInUse;
}
}  // namespace DelegatePool

}  // namespace tamlo::dui
