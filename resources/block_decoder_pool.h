#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "resources/block_stream_ahead.h"
#include "resources/chunk_sink.h"
#include "resources/large_buffer.h"
#include "resources/package_format.h"
#include "resources/package_reader.h"

namespace tamlo {

// Decodes the blocks of a solid package on background threads, ahead of the block asked
// for last, so that reading entries in package order never waits for a decoder. Asking
// for a block out of order decodes it at once on the asking thread (correct, slower).
// A block larger than kStreamAbove (a family of siblings kept together) is never held
// whole: a thread of its own decodes it front to back through its dictionary, a little
// ahead of the reader, while the pool goes on decoding the blocks after it.
//
// Memory: the blocks decoded or decoding ahead take at most `ahead` usual blocks' bytes
// (one block always starts, however large); no more blocks decode at once than threads,
// each with a dictionary no larger than itself, except for a caller's own out-of-order
// block; and one streamed block's decoder (XzBlockStream::kMemoryLimit) with the pieces
// it has decoded ahead (BlockStreamAhead::kQueueBytes). memoryBound() adds these up.
class BlockDecoderPool {
  public:
    static constexpr uint64_t kStreamAbove = package::kLargeSolidBlock;

    struct Decoded {
        LargeBuffer bytes;  // not cleared first: the decoder fills it all
        bool ok = false;
        std::string error;
    };

    // `threads` 0: one per core, up to 8; `ahead` 0: one more than the threads. The
    // budget is `ahead` of the package's usual (median) block.
    explicit BlockDecoderPool(const PackageReader& reader, unsigned threads = 0, size_t ahead = 0);
    ~BlockDecoderPool();
    BlockDecoderPool(const BlockDecoderPool&) = delete;
    BlockDecoderPool& operator=(const BlockDecoderPool&) = delete;

    // Called from any thread once block `index`'s stored bytes have been decoded (they
    // may be read again by a later out-of-order read). Set before the first read.
    void onBlockRead(std::function<void(size_t index)> done) { blockRead_ = std::move(done); }
    // For a reader that checks every entry against its digest before using it: the
    // blocks' own checks then add only time. Set before the first read.
    void skipBlockChecks() { verifyChecks_ = false; }

    // Block `index`, decoded or failed; null for a block the package lacks. A streamed
    // block is decoded to check it but not kept: its bytes stay empty.
    std::shared_ptr<const Decoded> acquire(size_t index);
    bool streamed(size_t index) const;

    // Hands a solid entry's bytes to `sink`, block by block. False (with the reason)
    // when a block it spans does not decode or the sink refuses.
    bool readEntry(const PackageEntry& entry, const ChunkSink& sink, std::string* error);

    // A solid entry's bytes in one piece, for a caller that checks them before writing:
    // set when they lie wholly in one block the pool holds whole (`holder` keeps them);
    // left null for an entry of a streamed block or running over a block's end (read it
    // with readEntry). False (with the reason) when its block does not decode.
    bool viewEntry(const PackageEntry& entry, std::shared_ptr<const Decoded>* holder,
                   const uint8_t** bytes, std::string* error);

    // The most bytes of decoded blocks and decoders this pool holds at once.
    uint64_t memoryBound() const;

  private:
    struct Slot {
        std::shared_ptr<Decoded> decoded;  // null while decoding
    };
    void work();
    std::shared_ptr<Decoded> decode(size_t index) const;
    void evictOutsideWindow();
    void moveTo(std::unique_lock<std::mutex>& lock, size_t index);
    uint64_t heldBytes() const;
    bool readStreamed(size_t index, uint64_t from, uint64_t piece, const ChunkSink& sink,
                      std::string* error);
    void setStreaming(bool streaming);
    bool inWindow(size_t index) const { return index >= cursor_ && index < cursor_ + ahead_; }

    const PackageReader& reader_;
    unsigned threadCount_;
    size_t ahead_;
    uint64_t budget_ = 0;
    uint64_t largestPooled_ = 0;
    bool anyStreamed_ = false;
    bool verifyChecks_ = true;
    std::function<void(size_t)> blockRead_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<size_t, Slot> slots_;
    size_t cursor_ = 0;
    unsigned decoding_ = 0;   // blocks being decoded now, by the threads or a caller
    bool streaming_ = false;  // a streamed block is being decoded ahead of its reader
    bool stop_ = false;
    std::vector<std::thread> threads_;
    // The streamed block being read, kept between entries so that reading on continues.
    std::mutex streamMutex_;
    std::unique_ptr<BlockStreamAhead> stream_;
    size_t streamIndex_ = 0;
};

}  // namespace tamlo
