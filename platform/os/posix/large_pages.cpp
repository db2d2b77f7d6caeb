#include "platform/os/large_pages.h"

#include <sys/mman.h>

#include <new>

namespace tamlo::large_pages {

namespace {

constexpr size_t kLargePage = 2u << 20;

// The mapping's start and length sit in the bytes just before the buffer.
struct MappingHeader {
    void* base;
    size_t length;
};

}  // namespace

uint8_t* allocate(size_t size) {
    if (size > SIZE_MAX - 2 * kLargePage) {
        return nullptr;
    }
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
    // A small buffer on a large page would hold 2 MiB for a few bytes.
    if (size >= kLargePage) {
        madvise(data, (size + kLargePage - 1) & ~(kLargePage - 1), MADV_HUGEPAGE);
    }
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

}  // namespace tamlo::large_pages
