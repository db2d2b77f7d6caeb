#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "resources/chunk_sink.h"
#include "resources/package_reader.h"

namespace tamlo {

// Decodes the blocks of a solid package on background threads, ahead of the block asked
// for last, so that reading entries in package order never waits for a decoder. Asking
// for a block out of order decodes it at once on the asking thread (correct, slower).
//
// Memory: at most `ahead` decoded blocks are kept, and at most one more per thread and
// one held by the caller are alive, each of at most kMaxSolidBlockSize (package_format.h),
// plus a decoder dictionary per thread no larger than a block: memoryBound() says it.
class BlockDecoderPool {
  public:
    struct Decoded {
        std::vector<uint8_t> bytes;
        bool ok = false;
        std::string error;
    };

    // `threads` 0: one per core, up to 8; `ahead` 0: one more than the threads.
    explicit BlockDecoderPool(const PackageReader& reader, unsigned threads = 0, size_t ahead = 0);
    ~BlockDecoderPool();
    BlockDecoderPool(const BlockDecoderPool&) = delete;
    BlockDecoderPool& operator=(const BlockDecoderPool&) = delete;

    // Block `index`, decoded or failed; null for a block the package lacks.
    std::shared_ptr<const Decoded> acquire(size_t index);

    // Hands a solid entry's bytes to `sink`, block by block. False (with the reason)
    // when a block it spans does not decode or the sink refuses.
    bool readEntry(const PackageEntry& entry, const ChunkSink& sink, std::string* error);

    // The most bytes of decoded blocks and decoders this pool holds at once.
    uint64_t memoryBound() const;

  private:
    struct Slot {
        std::shared_ptr<Decoded> decoded;  // null while decoding
    };
    void work();
    std::shared_ptr<Decoded> decode(size_t index) const;
    void evictOutsideWindow();
    bool inWindow(size_t index) const { return index >= cursor_ && index < cursor_ + ahead_; }

    const PackageReader& reader_;
    unsigned threadCount_;
    size_t ahead_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<size_t, Slot> slots_;
    size_t cursor_ = 0;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace tamlo
