#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "resources/chunk_sink.h"

namespace tamlo {

// Decodes one solid block (a whole .xz stream) front to back through a small buffer, so
// that a block far larger than its dictionary never sits in memory at once. Reading
// moves forward only; a caller that needs earlier bytes starts again.
class XzBlockStream {
  public:
    // The most decoder memory a streamed block may ask for: a 16 MiB dictionary and the
    // decoder's own state. A block asking more is refused as damaged.
    static constexpr uint64_t kMemoryLimit = 17u << 20;
    static constexpr size_t kBufferSize = 64 * 1024;

    // `verifyCheck` false skips the stream's check (the reader checks digests of its own).
    XzBlockStream(const uint8_t* input, size_t inputSize, uint64_t outputSize,
                  bool verifyCheck = true);
    ~XzBlockStream();
    XzBlockStream(const XzBlockStream&) = delete;
    XzBlockStream& operator=(const XzBlockStream&) = delete;

    // Unpacked bytes handed out or skipped so far.
    uint64_t position() const { return position_; }
    bool failed() const { return failed_; }

    // The next `count` bytes to `sink`, or dropped when `sink` is null. Reaching the end
    // of the block also checks the stream's own check and that nothing follows it.
    // False (with the reason) when the data is damaged or the sink refuses; a failed
    // stream stays failed.
    bool read(uint64_t count, const ChunkSink* sink, std::string* error);

  private:
    bool fail(std::string* error, const std::string& reason);
    bool finish(std::string* error);

    struct State;
    std::unique_ptr<State> state_;
    uint64_t outputSize_;
    bool verifyCheck_;
    uint64_t position_ = 0;
    bool failed_ = false;
};

}  // namespace tamlo
