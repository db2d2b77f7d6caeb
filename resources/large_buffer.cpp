#include "resources/large_buffer.h"

#include <lzma.h>

#include <cstdlib>
#include <mutex>
#include <unordered_set>
#include <utility>

#include "platform/os/large_pages.h"

namespace tamlo {

namespace {

// liblzma frees without a size: the large allocations are remembered here.
constexpr size_t kLargeAllocation = 1u << 20;
std::mutex largeMutex;
std::unordered_set<void*>& largeAllocations() {
    static auto* allocations = new std::unordered_set<void*>();
    return *allocations;
}

void* allocateForLzma(void*, size_t count, size_t size) {
    if (size != 0 && count > SIZE_MAX / size) {
        return nullptr;
    }
    const size_t bytes = count * size;
    if (bytes < kLargeAllocation) {
        return std::malloc(bytes);
    }
    uint8_t* data = large_pages::allocate(bytes);
    if (data != nullptr) {
        std::lock_guard<std::mutex> lock(largeMutex);
        largeAllocations().insert(data);
    }
    return data;
}

void freeForLzma(void*, void* pointer) {
    if (pointer == nullptr) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(largeMutex);
        if (largeAllocations().erase(pointer) == 0) {
            std::free(pointer);
            return;
        }
    }
    large_pages::release(static_cast<uint8_t*>(pointer));
}

}  // namespace

LargeBuffer::LargeBuffer(size_t size) : data_(large_pages::allocate(size == 0 ? 1 : size)) {
    size_ = data_ != nullptr ? size : 0;
}

LargeBuffer::~LargeBuffer() {
    large_pages::release(data_);
}

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
    if (this != &other) {
        large_pages::release(data_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

namespace lzma {

const lzma_allocator* largeBufferAllocator() {
    static const lzma_allocator allocator{allocateForLzma, freeForLzma, nullptr};
    return &allocator;
}

}  // namespace lzma

}  // namespace tamlo
