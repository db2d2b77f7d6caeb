#pragma once

#include <cstddef>

namespace tamlo::dui {

// The allocator of every Object and attribute node: requests up to 1024 bytes are served
// from a free list per block size, refilled 100 blocks at a time; larger ones come from
// the general heap. Every block carries a small header with its size so that release
// finds its way back. Chunks are never returned to the heap. UI thread only.
namespace ObjectPool {
constexpr std::size_t kLargestPooledRequest = 1024;
constexpr std::size_t kBlocksPerChunk = 100;

void* allocate(std::size_t size);
void release(void* block) noexcept;

// Chunks taken from the heap so far (all block sizes).
std::size_t chunkCount();
// Blocks currently waiting in the free list for requests of `size` bytes.
std::size_t freeBlocksFor(std::size_t size);
}  // namespace ObjectPool

// Routes a class's allocations through the pool.
#define TAMLO_POOLED_ALLOCATION                         \
    static void* operator new(std::size_t size) {       \
        return ObjectPool::allocate(size);              \
    }                                                   \
    static void operator delete(void* block) noexcept { \
        ObjectPool::release(block);                     \
    }

}  // namespace tamlo::dui
