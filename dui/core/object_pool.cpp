#include "dui/core/object_pool.h"

#include <cstdint>
#include <new>
#include <unordered_map>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define TAMLO_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define TAMLO_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define TAMLO_POISON(address, size) ((void)(address), (void)(size))
#define TAMLO_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace tamlo::dui::ObjectPool {

namespace {

// The header keeps the payload aligned like the heap's own blocks. While a block waits
// in a free list its header also links it to the next one.
struct alignas(alignof(std::max_align_t)) BlockHeader {
    std::size_t payloadSize;
    BlockHeader* nextFree;
};

constexpr std::size_t kAlignment = alignof(std::max_align_t);

std::size_t roundedPayload(std::size_t request) {
    std::size_t size = request == 0 ? 1 : request;
    return (size + kAlignment - 1) / kAlignment * kAlignment;
}

struct Registry {
    std::unordered_map<std::size_t, BlockHeader*> freeLists;  // by payload size
    std::vector<void*> chunks;
};

// Never destroyed: objects may be released during static destruction.
Registry& registry() {
    static Registry* instance = new Registry();
    return *instance;
}

void* payloadOf(BlockHeader* header) {
    return header + 1;
}
BlockHeader* headerOf(void* payload) {
    return static_cast<BlockHeader*>(payload) - 1;
}

void refill(Registry& pool, std::size_t payloadSize) {
    const std::size_t blockSize = sizeof(BlockHeader) + payloadSize;
    auto* chunk = static_cast<unsigned char*>(::operator new(blockSize* kBlocksPerChunk));
    pool.chunks.push_back(chunk);
    BlockHeader*& head = pool.freeLists[payloadSize];
    for (std::size_t i = kBlocksPerChunk; i > 0; --i) {
        auto* header = reinterpret_cast<BlockHeader*>(chunk + (i - 1) * blockSize);
        header->payloadSize = payloadSize;
        header->nextFree = head;
        head = header;
        TAMLO_POISON(payloadOf(header), payloadSize);
    }
}

}  // namespace

void* allocate(std::size_t size) {
    const std::size_t payloadSize = roundedPayload(size);
    if (payloadSize > kLargestPooledRequest) {
        auto* header = static_cast<BlockHeader*>(::operator new(sizeof(BlockHeader) + payloadSize));
        header->payloadSize = payloadSize;
        header->nextFree = nullptr;
        return payloadOf(header);
    }
    Registry& pool = registry();
    BlockHeader*& head = pool.freeLists[payloadSize];
    if (head == nullptr) {
        refill(pool, payloadSize);
    }
    BlockHeader* header = head;
    head = header->nextFree;
    header->nextFree = nullptr;
    TAMLO_UNPOISON(payloadOf(header), size);
    return payloadOf(header);
}

void release(void* block) noexcept {
    if (block == nullptr) {
        return;
    }
    BlockHeader* header = headerOf(block);
    if (header->payloadSize > kLargestPooledRequest) {
        ::operator delete(header);
        return;
    }
    Registry& pool = registry();
    BlockHeader*& head = pool.freeLists[header->payloadSize];
    TAMLO_POISON(block, header->payloadSize);
    header->nextFree = head;
    head = header;
}

std::size_t chunkCount() {
    return registry().chunks.size();
}

std::size_t freeBlocksFor(std::size_t size) {
    auto found = registry().freeLists.find(roundedPayload(size));
    std::size_t count = 0;
    if (found != registry().freeLists.end()) {
        for (BlockHeader* header = found->second; header != nullptr; header = header->nextFree) {
            ++count;
        }
    }
    return count;
}

}  // namespace tamlo::dui::ObjectPool
