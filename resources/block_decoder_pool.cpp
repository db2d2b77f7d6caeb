#include "resources/block_decoder_pool.h"

#include <algorithm>

#include "resources/error_text.h"
#include "resources/package_format.h"

namespace tamlo {

namespace {

constexpr unsigned kMostThreads = 8;

}  // namespace

BlockDecoderPool::BlockDecoderPool(const PackageReader& reader, unsigned threads, size_t ahead)
    : reader_(reader) {
    if (threads == 0) {
        threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMostThreads);
    }
    threadCount_ = threads;
    ahead_ = ahead == 0 ? threads + 1 : ahead;
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

uint64_t BlockDecoderPool::memoryBound() const {
    uint64_t largest = 0;
    for (const PackageReader::SolidBlock& block : reader_.blocks()) {
        largest = std::max<uint64_t>(largest, block.unpackedSize);
    }
    // Kept blocks, blocks still decoding after the window moved on, the caller's own,
    // and a dictionary per decoder.
    return largest * (ahead_ + threadCount_ + 1) + largest * (threadCount_ + 1);
}

std::shared_ptr<BlockDecoderPool::Decoded> BlockDecoderPool::decode(size_t index) const {
    auto decoded = std::make_shared<Decoded>();
    try {
        decoded->bytes.resize(reader_.blocks()[index].unpackedSize);
    } catch (const std::bad_alloc&) {
        decoded->error = "out of memory";
        return decoded;
    }
    decoded->ok = reader_.decodeBlock(index, decoded->bytes.data(), &decoded->error);
    if (!decoded->ok) {
        std::vector<uint8_t>().swap(decoded->bytes);
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

void BlockDecoderPool::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        // The first block of the window that nobody has started.
        size_t next = cursor_;
        const size_t end = std::min(cursor_ + ahead_, reader_.blocks().size());
        while (next < end && slots_.count(next) != 0) {
            ++next;
        }
        if (stop_) {
            return;
        }
        if (next >= end) {
            changed_.wait(lock);
            continue;
        }
        slots_[next].decoded = nullptr;
        lock.unlock();
        std::shared_ptr<Decoded> decoded = decode(next);
        lock.lock();
        auto slot = slots_.find(next);
        if (inWindow(next) && slot != slots_.end()) {
            slot->second.decoded = std::move(decoded);
        } else if (slot != slots_.end()) {
            slots_.erase(slot);  // the reader moved elsewhere meanwhile
        }
        changed_.notify_all();
    }
}

std::shared_ptr<const BlockDecoderPool::Decoded> BlockDecoderPool::acquire(size_t index) {
    if (index >= reader_.blocks().size()) {
        return nullptr;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (threads_.empty()) {
        for (unsigned i = 0; i < threadCount_; ++i) {
            threads_.emplace_back(&BlockDecoderPool::work, this);
        }
    }
    cursor_ = index;
    evictOutsideWindow();
    changed_.notify_all();
    auto slot = slots_.find(index);
    if (slot == slots_.end()) {
        // Not under way: decode it here rather than wait for a thread to get to it.
        slots_[index].decoded = nullptr;
        lock.unlock();
        std::shared_ptr<Decoded> decoded = decode(index);
        lock.lock();
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

bool BlockDecoderPool::readEntry(const PackageEntry& entry, const ChunkSink& sink,
                                 std::string* error) {
    uint64_t position = entry.solidStart;
    uint64_t remaining = entry.unpackedSize;
    for (size_t index = entry.block; remaining > 0; ++index) {
        std::shared_ptr<const Decoded> block = acquire(index);
        if (block == nullptr || !block->ok) {
            setError(error, "block " + std::to_string(index) + " is damaged" +
                                (block != nullptr ? ": " + block->error : std::string()));
            return false;
        }
        const uint64_t start = reader_.blocks()[index].start;
        const size_t from = static_cast<size_t>(position - start);
        const size_t piece =
            static_cast<size_t>(std::min<uint64_t>(remaining, block->bytes.size() - from));
        for (size_t done = 0; done < piece;) {
            const size_t step = std::min<size_t>(package::kStreamChunkSize, piece - done);
            if (!sink(block->bytes.data() + from + done, step)) {
                setError(error, "the output refused the data");
                return false;
            }
            done += step;
        }
        position += piece;
        remaining -= piece;
    }
    return true;
}

}  // namespace tamlo
