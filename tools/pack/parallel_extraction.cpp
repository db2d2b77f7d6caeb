#include "tools/pack/parallel_extraction.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "resources/large_buffer.h"
#include "resources/package_digests.h"
#include "resources/package_format.h"
#include "resources/xz_block_stream.h"

namespace tamlo::pack {

using platform::MappedFile;

namespace {

constexpr unsigned kMostThreads = 8;
constexpr size_t kNoBlock = SIZE_MAX;

// Streams one record, letting go of the package pages it has read every few MiB so the
// tool's memory stays flat however large the entry is.
bool streamRecord(const PackageReader& reader, const MappedFile& file, const PackageEntry& entry,
                  const ChunkSink& sink, std::string* error) {
    constexpr size_t kDropEvery = 4u << 20;
    size_t sinceDrop = 0;
    auto forward = [&](const uint8_t* data, size_t size) {
        sinceDrop += size;
        if (sinceDrop >= kDropEvery) {
            sinceDrop = 0;
            file.dropPages(entry.dataOffset, entry.storedSize);
        }
        return sink(data, size);
    };
    bool done = reader.extractTo(entry, forward, error);
    file.dropPages(entry.dataOffset, entry.storedSize);
    return done;
}

// Reads solid entries front to back for one thread: a usual block is decoded whole once and
// kept while entries lie in it, a large one is streamed.
class BlockWalker {
  public:
    BlockWalker(const PackageReader& reader, const MappedFile& file)
        : reader_(reader), file_(file) {}

    bool read(const PackageEntry& entry, const ChunkSink& sink, std::string* error) {
        uint64_t position = entry.solidStart;
        uint64_t remaining = entry.unpackedSize;
        for (size_t index = entry.block; remaining > 0; ++index) {
            if (index >= reader_.blocks().size()) {
                *error = "the entry runs past the last block";
                return false;
            }
            const PackageReader::SolidBlock& block = reader_.blocks()[index];
            if (position < block.start || position - block.start > block.unpackedSize) {
                *error = "the entry lies outside its block";
                return false;
            }
            const uint64_t from = position - block.start;
            const uint64_t piece = std::min<uint64_t>(remaining, block.unpackedSize - from);
            if (piece == 0) {
                continue;
            }
            const bool read = block.unpackedSize > package::kLargeSolidBlock
                                  ? readStreamed(index, from, piece, sink, error)
                                  : readHeld(index, from, piece, sink, error);
            if (!read) {
                return false;
            }
            position += piece;
            remaining -= piece;
        }
        return true;
    }

  private:
    bool readHeld(size_t index, uint64_t from, uint64_t piece, const ChunkSink& sink,
                  std::string* error) {
        const PackageReader::SolidBlock& block = reader_.blocks()[index];
        if (index != heldIndex_) {
            held_ = LargeBuffer();  // given back before the next one is taken
            held_ = LargeBuffer(block.unpackedSize);
            heldIndex_ = index;
            heldProblem_ = "out of memory";
            // Every entry's digest is checked: the block's own check adds only time.
            heldOk_ = held_.data() != nullptr &&
                      reader_.decodeBlock(index, held_.data(), &heldProblem_, false);
            file_.dropPages(block.offset, block.storedSize);
        }
        if (!heldOk_) {
            *error = "block " + std::to_string(index) + " is damaged: " + heldProblem_;
            return false;
        }
        for (uint64_t done = 0; done < piece;) {
            const auto step =
                static_cast<size_t>(std::min<uint64_t>(package::kStreamChunkSize, piece - done));
            if (!sink(held_.data() + from + done, step)) {
                *error = "the output refused the data";
                return false;
            }
            done += step;
        }
        return true;
    }

    // Read on from where the last entry left the stream; started again only for bytes
    // behind it (an entry sharing another's bytes).
    bool readStreamed(size_t index, uint64_t from, uint64_t piece, const ChunkSink& sink,
                      std::string* error) {
        if (stream_ == nullptr || streamIndex_ != index || stream_->failed() ||
            stream_->position() > from) {
            stream_.reset();  // its dictionary goes before the next one is made
            stream_ = reader_.streamBlock(index, false);
            streamIndex_ = index;
        }
        std::string problem;
        if (!stream_->read(from - stream_->position(), nullptr, &problem) ||
            !stream_->read(piece, &sink, &problem)) {
            *error = "block " + std::to_string(index) + " is damaged: " + problem;
            return false;
        }
        if (stream_->position() == reader_.blocks()[index].unpackedSize) {
            stream_.reset();
            const PackageReader::SolidBlock& block = reader_.blocks()[index];
            file_.dropPages(block.offset, block.storedSize);
        }
        return true;
    }

    const PackageReader& reader_;
    const MappedFile& file_;
    size_t heldIndex_ = kNoBlock;
    LargeBuffer held_;
    bool heldOk_ = false;
    std::string heldProblem_;
    std::unique_ptr<XzBlockStream> stream_;
    size_t streamIndex_ = kNoBlock;
};

// Work for one thread: one per-entry record, or the solid entries of a run of blocks that
// entries running over a block's end join together, in the order their bytes lie.
struct Unit {
    bool solid = false;
    std::vector<size_t> items;
};

class Extraction {
  public:
    Extraction(const PackageReader& reader, const MappedFile& file,
               const std::vector<ExtractionItem>& items, files::ContainedFolder& output)
        : reader_(reader), file_(file), items_(items), output_(output) {}

    bool run(std::string* error) {
        planUnits();
        const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, kMostThreads);
        const auto threadCount = static_cast<unsigned>(std::min<size_t>(cores, units_.size()));
        std::vector<std::thread> threads;
        for (unsigned i = 1; i < threadCount; ++i) {
            threads.emplace_back(&Extraction::work, this);
        }
        work();
        for (std::thread& thread : threads) {
            thread.join();
        }
        if (failed_) {
            *error = failure_;
        }
        return !failed_;
    }

  private:
    // The last block holding a byte of `entry` (its first for an empty one).
    size_t lastBlock(const PackageEntry& entry) const {
        if (entry.unpackedSize == 0) {
            return entry.block;
        }
        return std::max<size_t>(entry.block,
                                reader_.blockAt(entry.solidStart + entry.unpackedSize - 1));
    }

    void planUnits() {
        const size_t blocks = reader_.blocks().size();
        // joined[k]: an entry runs on from block k into k + 1.
        std::vector<bool> joined(blocks, false);
        for (const ExtractionItem& item : items_) {
            if (item.entry->solid() && item.entry->block < blocks) {
                const size_t last = std::min(lastBlock(*item.entry), blocks - 1);
                for (size_t k = item.entry->block; k < last; ++k) {
                    joined[k] = true;
                }
            }
        }
        std::vector<size_t> runOf(blocks, 0);
        size_t runs = 0;
        for (size_t k = 0; k < blocks; ++k) {
            runOf[k] = runs;
            if (!joined[k]) {
                ++runs;
            }
        }
        std::vector<Unit> byRun(runs + 1);
        for (size_t i = 0; i < items_.size(); ++i) {
            const PackageEntry& entry = *items_[i].entry;
            if (!entry.solid()) {
                units_.push_back(Unit{false, {i}});
            } else {
                // A block the package lacks fails when read, in a run of its own.
                byRun[entry.block < blocks ? runOf[entry.block] : runs].items.push_back(i);
            }
        }
        for (Unit& run : byRun) {
            if (run.items.empty()) {
                continue;
            }
            std::stable_sort(run.items.begin(), run.items.end(), [&](size_t a, size_t b) {
                return items_[a].entry->solidStart < items_[b].entry->solidStart;
            });
            run.solid = true;
            units_.push_back(std::move(run));
        }
    }

    void work() {
        BlockWalker walker(reader_, file_);
        for (;;) {
            const size_t index = next_.fetch_add(1);
            if (index >= units_.size() || stopped_.load()) {
                return;
            }
            for (size_t item : units_[index].items) {
                const PackageEntry& entry = *items_[item].entry;
                const bool written = write(item, [&](const ChunkSink& sink, std::string* error) {
                    return entry.solid() ? walker.read(entry, sink, error)
                                         : streamRecord(reader_, file_, entry, sink, error);
                });
                if (!written || stopped_.load()) {
                    break;
                }
            }
        }
    }

    // Writes item `item` through `fill`, which hands its bytes to the sink; the digest
    // is checked on the way and the file takes its place only when it matches.
    bool write(size_t item, const std::function<bool(const ChunkSink&, std::string*)>& fill) {
        const ExtractionItem& chosen = items_[item];
        auto checkedFill = [&](const files::ChunkWriter& sink, std::string* fillError) {
            EntryDigestCheck check(reader_, *chosen.entry);
            auto checked = [&](const uint8_t* data, size_t size) {
                check.update(data, size);
                return sink(data, size);
            };
            if (!fill(checked, fillError)) {
                return false;
            }
            if (!check.matches()) {
                *fillError = "does not match its SHA-256: damaged";
                return false;
            }
            return true;
        };
        std::string error;
        if (output_.write(chosen.target, checkedFill, &error, chosen.entry->executable)) {
            return true;
        }
        fail(item, error);
        return false;
    }

    void fail(size_t item, const std::string& error) {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_.store(true);
        if (!failed_ || item < failedItem_) {
            failed_ = true;
            failedItem_ = item;
            failure_ = error;
        }
    }

    const PackageReader& reader_;
    const MappedFile& file_;
    const std::vector<ExtractionItem>& items_;
    files::ContainedFolder& output_;
    std::vector<Unit> units_;
    std::atomic<size_t> next_{0};
    std::atomic<bool> stopped_{false};
    std::mutex mutex_;
    bool failed_ = false;
    size_t failedItem_ = 0;
    std::string failure_;
};

}  // namespace

bool extractInParallel(const PackageReader& reader, const MappedFile& file,
                       const std::vector<ExtractionItem>& items, files::ContainedFolder& output,
                       std::string* error) {
    Extraction extraction(reader, file, items, output);
    return extraction.run(error);
}

}  // namespace tamlo::pack
