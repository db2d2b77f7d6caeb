#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "resources/chunk_sink.h"
#include "resources/xz_block_stream.h"

namespace tamlo {

// Decodes a streamed block on a thread of its own, a bounded queue of pieces ahead of the
// reader, so that decoding it and writing its entries overlap. Reading moves forward only.
class BlockStreamAhead {
  public:
    static constexpr size_t kQueueBytes = 4u << 20;

    // Starts decoding at unpacked offset `from` of the block.
    BlockStreamAhead(std::unique_ptr<XzBlockStream> stream, uint64_t size, uint64_t from);
    ~BlockStreamAhead();
    BlockStreamAhead(const BlockStreamAhead&) = delete;
    BlockStreamAhead& operator=(const BlockStreamAhead&) = delete;

    // The next byte read() hands out.
    uint64_t position() const { return position_; }
    bool failed() const { return failed_; }

    // As XzBlockStream::read: reaching the block's end also waits for its check.
    bool read(uint64_t count, const ChunkSink* sink, std::string* error);

  private:
    void produce();

    std::unique_ptr<XzBlockStream> stream_;
    const uint64_t size_;
    const uint64_t from_;
    uint64_t position_;
    bool failed_ = false;  // the reader's view; a refusing sink sets it too
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<uint8_t>> pieces_;
    size_t queued_ = 0;
    size_t frontUsed_ = 0;
    bool produced_ = false;  // the whole block decoded and checked
    bool broken_ = false;
    std::string problem_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace tamlo
