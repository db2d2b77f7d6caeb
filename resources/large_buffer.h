#pragma once

#include <lzma.h>

#include <cstddef>
#include <cstdint>

namespace tamlo {

// Memory for decoded blocks and decoder dictionaries, megabytes at a time. Fresh memory
// costs a page fault per 4 KiB the first time it is written, about a tenth of a solid
// install's time; where the system offers large pages, these buffers ask for them. Each
// buffer goes back to the system when freed.
class LargeBuffer {
  public:
    LargeBuffer() = default;
    // Null data() when the memory cannot be had. Not cleared.
    explicit LargeBuffer(size_t size);
    ~LargeBuffer();
    LargeBuffer(LargeBuffer&& other) noexcept;
    LargeBuffer& operator=(LargeBuffer&& other) noexcept;
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;

    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

  private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

namespace lzma {
// An allocator for liblzma's decoders that serves their dictionaries as large buffers.
const lzma_allocator* largeBufferAllocator();
}  // namespace lzma

}  // namespace tamlo
