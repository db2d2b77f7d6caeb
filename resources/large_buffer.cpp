#include "resources/large_buffer.h"

#include <lzma.h>

#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_map>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tamlo {

namespace {

#if defined(__linux__)
constexpr size_t kLargePage = 2u << 20;

// Mapped on a large-page boundary and advised as such: a large page costs one fault.
// The mapping's start and length sit in the bytes just before the buffer.
struct MappingHeader {
    void* base;
    size_t length;
};

uint8_t* allocate(size_t size) {
    const size_t length = size + kLargePage;
    void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) {
        return nullptr;
    }
    const auto start = reinterpret_cast<uintptr_t>(base);
    const uintptr_t aligned = (start + sizeof(MappingHeader) + kLargePage - 1) & ~(kLargePage - 1);
    auto* data = reinterpret_cast<uint8_t*>(aligned);
    new (data - sizeof(MappingHeader)) MappingHeader{base, length};
#if defined(MADV_HUGEPAGE)
    madvise(data, (size + kLargePage - 1) & ~(kLargePage - 1), MADV_HUGEPAGE);
#endif
    return data;
}

void release(uint8_t* data) {
    if (data != nullptr) {
        const MappingHeader header =
            *reinterpret_cast<const MappingHeader*>(data - sizeof(MappingHeader));
        munmap(header.base, header.length);
    }
}
#else
uint8_t* allocate(size_t size) {
    return new (std::nothrow) uint8_t[size];
}

void release(uint8_t* data) {
    delete[] data;
}
#endif

// liblzma frees without a size: the large allocations are remembered here.
constexpr size_t kLargeAllocation = 1u << 20;
std::mutex largeMutex;
std::unordered_map<void*, size_t>& largeAllocations() {
    static auto* allocations = new std::unordered_map<void*, size_t>();
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
    uint8_t* data = allocate(bytes);
    if (data != nullptr) {
        std::lock_guard<std::mutex> lock(largeMutex);
        largeAllocations().emplace(data, bytes);
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
    release(static_cast<uint8_t*>(pointer));
}

}  // namespace

LargeBuffer::LargeBuffer(size_t size) : data_(allocate(size == 0 ? 1 : size)) {
    size_ = data_ != nullptr ? size : 0;
}

LargeBuffer::~LargeBuffer() {
    release(data_);
}

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
    if (this != &other) {
        release(data_);
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
