#include "platform/os/large_pages.h"

#include <cstdint>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

// Large pages need a privilege installers do not hold: plain memory. Fresh pages still cost
// a fault each the first time they are written (under Wine about a sixth of an install's
// time), and a decoder takes a block's worth per block: buffers given back are kept for a
// later request they fit, up to kKeptBytes in all.
namespace tamlo::large_pages {
namespace {

constexpr size_t kKeptBytes = 32u << 20;

struct Buffers {
    std::mutex lock;
    std::unordered_map<uint8_t*, size_t> sizes;  // every buffer handed out
    std::vector<uint8_t*> kept;                  // given back, oldest first
    size_t keptBytes = 0;
};

Buffers& buffers() {
    static Buffers* instance = new Buffers;  // outlives every static that may hold a buffer
    return *instance;
}

// Fresh buffers are made in steps of kStep, so that blocks of about the same size take
// each other's; the pages past what a buffer's user writes are never touched, so they
// cost address space only.
constexpr size_t kStep = 4u << 20;

size_t rounded(size_t size) {
    return size > SIZE_MAX - kStep ? size : (size + kStep - 1) / kStep * kStep;
}

// A kept buffer may be up to twice the size asked for: its pages are resident already.
bool fits(size_t available, size_t size) {
    return available >= size && available / 2 <= size;
}

}  // namespace

uint8_t* allocate(size_t size) {
    Buffers& all = buffers();
    {
        std::lock_guard<std::mutex> guard(all.lock);
        size_t best = all.kept.size();
        for (size_t i = 0; i < all.kept.size(); ++i) {
            const size_t available = all.sizes[all.kept[i]];
            if (fits(available, size) &&
                (best == all.kept.size() || available < all.sizes[all.kept[best]])) {
                best = i;
            }
        }
        if (best != all.kept.size()) {
            uint8_t* reused = all.kept[best];
            all.kept.erase(all.kept.begin() + static_cast<std::ptrdiff_t>(best));
            all.keptBytes -= all.sizes[reused];
            return reused;
        }
    }
    const size_t made = rounded(size);
    uint8_t* fresh = new (std::nothrow) uint8_t[made];
    if (fresh != nullptr) {
        std::lock_guard<std::mutex> guard(all.lock);
        all.sizes[fresh] = made;
    }
    return fresh;
}

void release(uint8_t* data) {
    if (data == nullptr) {
        return;
    }
    Buffers& all = buffers();
    std::vector<uint8_t*> freed;
    {
        std::lock_guard<std::mutex> guard(all.lock);
        const size_t size = all.sizes[data];
        if (size > kKeptBytes) {
            freed.push_back(data);
        } else {
            all.kept.push_back(data);
            all.keptBytes += size;
            while (all.keptBytes > kKeptBytes) {
                uint8_t* oldest = all.kept.front();
                all.kept.erase(all.kept.begin());
                all.keptBytes -= all.sizes[oldest];
                freed.push_back(oldest);
            }
        }
        for (uint8_t* buffer : freed) {
            all.sizes.erase(buffer);
        }
    }
    for (uint8_t* buffer : freed) {
        delete[] buffer;
    }
}

}  // namespace tamlo::large_pages
