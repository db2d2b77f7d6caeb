#include "resources/block_decoder_pool.h"

#include <algorithm>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "resources/error_text.h"
#include "resources/package_format.h"

namespace tamlo {

namespace {

constexpr unsigned kMostThreads = 8;

// glibc raises its mmap threshold to the size of each large block freed, so that later
// blocks and dictionaries come from per-thread heaps that keep the memory after free:
// about 10 MB more at the peak on a 123 MB install. A fixed threshold gives it back.
void giveBackLargeBuffers() {
#if defined(__GLIBC__)
    static const bool fixed = mallopt(M_MMAP_THRESHOLD, 1 << 20) != 0;
    (void)fixed;
#endif
}

// False (with the reason) for a block that did not decode.
bool usable(const std::shared_ptr<const BlockDecoderPool::Decoded>& block, size_t index,
            std::string* error) {
    if (block != nullptr && block->ok) {
        return true;
    }
    setError(error, "block " + std::to_string(index) + " is damaged" +
                        (block != nullptr ? ": " + block->error : std::string()));
    return false;
}

}  // namespace

BlockDecoderPool::BlockDecoderPool(const PackageReader& reader, unsigned threads, size_t ahead)
    : reader_(reader) {
    giveBackLargeBuffers();
    if (threads == 0) {
        threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMostThreads);
    }
    threadCount_ = threads;
    ahead_ = ahead == 0 ? threads + 1 : ahead;
    std::vector<uint64_t> sizes;
    for (size_t i = 0; i < reader_.blocks().size(); ++i) {
        const uint64_t size = reader_.blocks()[i].unpackedSize;
        if (streamed(i)) {
            anyStreamed_ = true;
        } else {
            largestPooled_ = std::max(largestPooled_, size);
            sizes.push_back(size);
        }
    }
    // Sized by the usual block, not the largest: a few family blocks must not widen it.
    uint64_t usual = 0;
    if (!sizes.empty()) {
        std::nth_element(sizes.begin(), sizes.begin() + sizes.size() / 2, sizes.end());
        usual = sizes[sizes.size() / 2];
    }
    budget_ = usual * ahead_;
}

BlockDecoderPool::~BlockDecoderPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

bool BlockDecoderPool::streamed(size_t index) const {
    return index < reader_.blocks().size() && reader_.blocks()[index].unpackedSize > kStreamAbove;
}

uint64_t BlockDecoderPool::memoryBound() const {
    // Blocks ahead within the budget (one always starts, however large), the caller's own
    // out-of-order block, a dictionary per decoding thread and the caller, and the
    // streamed block's decoder with its buffer and the pieces it has decoded ahead.
    const uint64_t largest = largestPooled_;
    uint64_t bound = std::max(budget_, largest) + largest + largest * (threadCount_ + 1);
    if (anyStreamed_) {
        bound += XzBlockStream::kMemoryLimit + XzBlockStream::kBufferSize +
                 BlockStreamAhead::kQueueBytes;
    }
    return bound;
}

std::shared_ptr<BlockDecoderPool::Decoded> BlockDecoderPool::decode(size_t index) const {
    auto decoded = std::make_shared<Decoded>();
    const size_t size = reader_.blocks()[index].unpackedSize;
    decoded->bytes = LargeBuffer(size);
    if (decoded->bytes.data() == nullptr) {
        decoded->error = "out of memory";
        return decoded;
    }
    decoded->ok = reader_.decodeBlock(index, decoded->bytes.data(), &decoded->error, verifyChecks_);
    if (!decoded->ok) {
        decoded->bytes = LargeBuffer();
    }
    if (blockRead_) {
        blockRead_(index);
    }
    return decoded;
}

void BlockDecoderPool::evictOutsideWindow() {
    for (auto slot = slots_.begin(); slot != slots_.end();) {
        if (slot->second.decoded != nullptr && !inWindow(slot->first)) {
            slot = slots_.erase(slot);
        } else {
            ++slot;
        }
    }
}

uint64_t BlockDecoderPool::heldBytes() const {
    uint64_t held = 0;
    for (const auto& slot : slots_) {
        held += reader_.blocks()[slot.first].unpackedSize;
    }
    return held;
}

void BlockDecoderPool::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        // The first block of the window that nobody has started and nobody streams.
        size_t next = cursor_;
        const size_t end = std::min(cursor_ + ahead_, reader_.blocks().size());
        while (next < end && (slots_.count(next) != 0 || streamed(next))) {
            ++next;
        }
        if (stop_) {
            return;
        }
        const uint64_t held = heldBytes();
        // No more decoders at once than threads, the caller's own and a streamed block's
        // counted: each holds a dictionary, and the streamed one keeps a core busy.
        if (next >= end || decoding_ + (streaming_ ? 1 : 0) >= threadCount_ ||
            (held != 0 && held + reader_.blocks()[next].unpackedSize > budget_)) {
            changed_.wait(lock);
            continue;
        }
        slots_[next].decoded = nullptr;
        ++decoding_;
        lock.unlock();
        std::shared_ptr<Decoded> decoded = decode(next);
        lock.lock();
        --decoding_;
        auto slot = slots_.find(next);
        if (inWindow(next) && slot != slots_.end()) {
            slot->second.decoded = std::move(decoded);
        } else if (slot != slots_.end()) {
            slots_.erase(slot);  // the reader moved elsewhere meanwhile
        }
        changed_.notify_all();
    }
}

void BlockDecoderPool::moveTo(std::unique_lock<std::mutex>& lock, size_t index) {
    (void)lock;  // held by the caller
    if (threads_.empty()) {
        for (unsigned i = 0; i < threadCount_; ++i) {
            threads_.emplace_back(&BlockDecoderPool::work, this);
        }
    } else if (cursor_ == index) {
        // Nothing a decoder waits for has changed. Waking them anyway costs every entry
        // of a block a round of wake-ups, which under Wine go through its server.
        return;
    }
    cursor_ = index;
    evictOutsideWindow();
    changed_.notify_all();
}

std::shared_ptr<const BlockDecoderPool::Decoded> BlockDecoderPool::acquire(size_t index) {
    if (index >= reader_.blocks().size()) {
        return nullptr;
    }
    if (streamed(index)) {
        // Checked front to back, never held.
        auto checked = std::make_shared<Decoded>();
        checked->ok = reader_.streamBlock(index)->read(reader_.blocks()[index].unpackedSize,
                                                       nullptr, &checked->error);
        return checked;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    moveTo(lock, index);
    auto slot = slots_.find(index);
    if (slot == slots_.end()) {
        // Not under way: decode it here rather than wait for a thread to get to it.
        slots_[index].decoded = nullptr;
        ++decoding_;
        lock.unlock();
        std::shared_ptr<Decoded> decoded = decode(index);
        lock.lock();
        --decoding_;
        slot = slots_.find(index);
        if (slot != slots_.end() && inWindow(index)) {
            slot->second.decoded = decoded;
        } else if (slot != slots_.end()) {
            slots_.erase(slot);
        }
        changed_.notify_all();
        return decoded;
    }
    changed_.wait(lock, [&] {
        auto found = slots_.find(index);
        return found == slots_.end() || found->second.decoded != nullptr;
    });
    slot = slots_.find(index);
    if (slot == slots_.end()) {
        // Dropped meanwhile by a move of the window from another caller: decode here.
        lock.unlock();
        return decode(index);
    }
    return slot->second.decoded;
}

void BlockDecoderPool::setStreaming(bool streaming) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        streaming_ = streaming;
    }
    changed_.notify_all();
}

// Reads on from where the last entry left the stream when it can, else starts the block
// again (an earlier entry, or after a failure).
bool BlockDecoderPool::readStreamed(size_t index, uint64_t from, uint64_t piece,
                                    const ChunkSink& sink, std::string* error) {
    {
        // Counted before the threads start, so they leave its core to it from the first.
        std::unique_lock<std::mutex> lock(mutex_);
        streaming_ = true;
        moveTo(lock, index);
    }
    std::lock_guard<std::mutex> streamLock(streamMutex_);
    if (stream_ == nullptr || streamIndex_ != index || stream_->failed() ||
        stream_->position() > from) {
        stream_.reset();  // its dictionary goes before the next one is made
        stream_ = std::make_unique<BlockStreamAhead>(reader_.streamBlock(index, verifyChecks_),
                                                     reader_.blocks()[index].unpackedSize, from);
        streamIndex_ = index;
    }
    bool refused = false;
    const ChunkSink forward = [&](const uint8_t* data, size_t size) {
        if (!sink(data, size)) {
            refused = true;
            return false;
        }
        return true;
    };
    std::string problem;
    const bool read = stream_->read(from - stream_->position(), nullptr, &problem) &&
                      stream_->read(piece, &forward, &problem);
    if (!read) {
        stream_.reset();
        setStreaming(false);
        setError(error,
                 refused ? problem : "block " + std::to_string(index) + " is damaged: " + problem);
        return false;
    }
    if (stream_->position() == reader_.blocks()[index].unpackedSize) {
        stream_.reset();  // consumed: its dictionary is given back now
        setStreaming(false);
        if (blockRead_) {
            blockRead_(index);
        }
    }
    return true;
}

bool BlockDecoderPool::viewEntry(const PackageEntry& entry, std::shared_ptr<const Decoded>* holder,
                                 const uint8_t** bytes, std::string* error) {
    *bytes = nullptr;
    if (entry.block >= reader_.blocks().size() || streamed(entry.block)) {
        return true;
    }
    const PackageReader::SolidBlock& info = reader_.blocks()[entry.block];
    if (entry.solidStart < info.start ||
        entry.solidStart - info.start + entry.unpackedSize > info.unpackedSize) {
        return true;
    }
    std::shared_ptr<const Decoded> block = acquire(entry.block);
    if (!usable(block, entry.block, error)) {
        return false;
    }
    if (block->bytes.data() == nullptr) {
        return true;  // an empty block holds no bytes to point at
    }
    *bytes = block->bytes.data() + (entry.solidStart - info.start);
    *holder = std::move(block);
    return true;
}

bool BlockDecoderPool::readEntry(const PackageEntry& entry, const ChunkSink& sink,
                                 std::string* error) {
    uint64_t position = entry.solidStart;
    uint64_t remaining = entry.unpackedSize;
    for (size_t index = entry.block; remaining > 0; ++index) {
        if (index >= reader_.blocks().size()) {
            setError(error, "the entry runs past the last block");
            return false;
        }
        const PackageReader::SolidBlock& info = reader_.blocks()[index];
        const uint64_t from = position - info.start;
        const uint64_t piece = std::min<uint64_t>(remaining, info.unpackedSize - from);
        if (piece == 0) {
            continue;
        }
        if (streamed(index)) {
            if (!readStreamed(index, from, piece, sink, error)) {
                return false;
            }
        } else {
            std::shared_ptr<const Decoded> block = acquire(index);
            if (!usable(block, index, error)) {
                return false;
            }
            const uint8_t* bytes = block->bytes.data() + from;
            for (uint64_t done = 0; done < piece;) {
                const size_t step = static_cast<size_t>(
                    std::min<uint64_t>(package::kStreamChunkSize, piece - done));
                if (!sink(bytes + done, step)) {
                    setError(error, "the output refused the data");
                    return false;
                }
                done += step;
            }
        }
        position += piece;
        remaining -= piece;
    }
    return true;
}

}  // namespace tamlo
