#include "authoring/solid_package_writer.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "authoring/solid_order.h"
#include "platform/os/file_operations.h"
#include "resources/error_text.h"
#include "resources/lzma_codec.h"
#include "resources/package_digests.h"
#include "resources/package_format.h"

namespace tamlo {

namespace fs = std::filesystem;

namespace {

// Bytes of a machine-code block compressed both ways to see whether its filter helps.
constexpr size_t kFilterSample = 1u << 20;
// The default preset's dictionary, and the most a family's block may use instead: a
// decoder holds its whole dictionary.
constexpr uint64_t kPresetDictionary = 8u << 20;
constexpr uint64_t kMostFamilyDictionary = 16u << 20;

struct Piece {
    size_t entry;
    uint64_t from;
    size_t length;
};

struct Block {
    lzma::BranchFilter filter = lzma::BranchFilter::None;
    std::vector<Piece> pieces;
    size_t size = 0;
    // The largest file of a family it holds, 0 when it holds none.
    uint64_t largestMember = 0;
    // Filled by the encoding threads.
    bool done = false;
    bool failed = false;
    std::string error;
    std::vector<uint8_t> raw;
    std::vector<uint8_t> packed;
};

bool readPieces(const std::vector<PlannedFile>& entries, Block& block) {
    block.raw.resize(block.size);
    size_t at = 0;
    for (const Piece& piece : block.pieces) {
        std::FILE* file = std::fopen(entries[piece.entry].file.path.c_str(), "rb");
        bool read = file != nullptr &&
                    std::fseek(file, static_cast<long>(piece.from), SEEK_SET) == 0 &&
                    std::fread(block.raw.data() + at, 1, piece.length, file) == piece.length;
        if (file != nullptr) {
            std::fclose(file);
        }
        if (!read) {
            block.error =
                "cannot read " + entries[piece.entry].file.path + " (did it change while packing?)";
            return false;
        }
        at += piece.length;
    }
    return true;
}

// The block through its filter, unless the filter makes a sample of it larger. A family's
// block goes without: a branch filter turns the relative calls its members share into
// absolute addresses that differ wherever their code has moved. Its dictionary reaches
// back over the largest member, up to kMostFamilyDictionary.
bool encodeBlock(const SolidWriteOptions& options, Block& block) {
    lzma::XzOptions xz;
    xz.preset = options.preset;
    xz.machineCode = block.filter != lzma::BranchFilter::None;
    xz.filter = block.largestMember > 0 ? lzma::BranchFilter::None : block.filter;
    if (block.largestMember > kPresetDictionary) {
        xz.dictionary = static_cast<uint32_t>(
            std::min<uint64_t>((block.largestMember + (1u << 20) - 1) & ~uint64_t{(1u << 20) - 1},
                               kMostFamilyDictionary));
    }
    if (xz.filter != lzma::BranchFilter::None) {
        const size_t sample = std::min(block.raw.size(), kFilterSample);
        lzma::XzOptions quick = xz;
        quick.preset = 0;
        lzma::XzOptions plain = quick;
        plain.filter = lzma::BranchFilter::None;
        std::vector<uint8_t> with, without;
        if (lzma::encodeXz(block.raw.data(), sample, quick, &with, nullptr) &&
            lzma::encodeXz(block.raw.data(), sample, plain, &without, nullptr) &&
            with.size() >= without.size()) {
            xz.filter = lzma::BranchFilter::None;
        }
    }
    return lzma::encodeXz(block.raw.data(), block.raw.size(), xz, &block.packed, &block.error);
}

// 2. Cut the files, back to back, into blocks; a block holds one kind of data only. A
// block starts with an empty dictionary, so a file whose numbered sibling is in the
// previous block costs its whole size again: a family of siblings stays in one block,
// which may then grow past `blockSize` up to `familySize`.
std::vector<Block> cut(std::vector<PlannedFile>& entries, size_t blockSize, size_t familySize) {
    std::vector<Block> blocks;
    for (size_t i = 0; i < entries.size(); ++i) {
        PlannedFile& entry = entries[i];
        const int family = entry.family;
        const bool joins = family >= 0 && i > 0 && entries[i - 1].family == family;
        const size_t limit = family >= 0 ? std::max(blockSize, familySize) : blockSize;
        // The first of a family does not start at the end of a block it would overflow.
        const bool starts =
            !joins && family >= 0 && i + 1 < entries.size() && entries[i + 1].family == family;
        // A file that does not fit a nearly full block starts the next one, so that blocks
        // end where files do and can be put in another order.
        const bool nearlyFull = family < 0 && entry.size <= blockSize && blocks.size() > 0 &&
                                blocks.back().size >= blockSize / 4 * 3 &&
                                blocks.back().size + entry.size > blockSize;
        if (!blocks.empty() && blocks.back().size > 0 &&
            (blocks.back().filter != entry.filter || nearlyFull ||
             (starts && blocks.back().size + entry.size > blockSize))) {
            blocks.emplace_back();
        }
        if (blocks.empty() || blocks.back().size >= limit) {
            blocks.emplace_back();
        }
        blocks.back().filter = entry.filter;
        entry.firstBlock = static_cast<uint32_t>(blocks.size() - 1);
        entry.offset = static_cast<uint32_t>(blocks.back().size);
        for (uint64_t from = 0; from < entry.size;) {
            if (blocks.back().size >= limit) {
                blocks.emplace_back();
                blocks.back().filter = entry.filter;
            }
            Block& block = blocks.back();
            if (family >= 0) {
                block.largestMember = std::max(block.largestMember, entry.size);
            }
            const size_t length =
                static_cast<size_t>(std::min<uint64_t>(entry.size - from, limit - block.size));
            block.pieces.push_back({i, from, length});
            block.size += length;
            from += length;
        }
    }
    if (!blocks.empty() && blocks.back().size == 0) {
        blocks.pop_back();  // only empty files were left for it
    }
    return blocks;
}

// 3. Puts each large block (one a reader streams rather than holds: a family kept
// together) before the usual blocks that follow it, so that while one core streams it the
// others decode those ahead. Left at the end, a large block would decode on one core with
// nothing left for the others. Blocks that share a file stay together and in order.
void orderForDecoding(std::vector<PlannedFile>& entries, std::vector<Block>& blocks,
                      size_t blockSize) {
    // Runs of blocks joined by a file that spans them.
    std::vector<bool> joinsNext(blocks.size(), false);
    for (size_t b = 0; b + 1 < blocks.size(); ++b) {
        if (blocks[b].pieces.empty() || blocks[b + 1].pieces.empty()) {
            continue;
        }
        const Piece& last = blocks[b].pieces.back();
        joinsNext[b] = blocks[b + 1].pieces.front().entry == last.entry &&
                       blocks[b + 1].pieces.front().from == last.from + last.length;
    }
    struct Run {
        size_t first;
        size_t count;
        uint64_t size;
        bool large;
    };
    std::vector<Run> runs;
    for (size_t b = 0; b < blocks.size(); ++b) {
        if (b == 0 || !joinsNext[b - 1]) {
            runs.push_back({b, 0, 0, false});
        }
        Run& run = runs.back();
        ++run.count;
        run.size += blocks[b].size;
        run.large = run.large || blocks[b].size > package::kLargeSolidBlock;
    }
    std::vector<size_t> large, usual;
    for (size_t r = 0; r < runs.size(); ++r) {
        (runs[r].large ? large : usual).push_back(r);
    }
    if (large.empty()) {
        return;
    }
    std::stable_sort(large.begin(), large.end(),
                     [&](size_t a, size_t b) { return runs[a].size > runs[b].size; });
    // What the other cores decode while a large block streams, as much as a reader holds.
    const uint64_t follow = 2 * uint64_t{blockSize};
    std::vector<size_t> runOrder;
    size_t nextUsual = 0;
    for (size_t r : large) {
        runOrder.push_back(r);
        uint64_t after = 0;
        while (nextUsual < usual.size() && after < std::min<uint64_t>(follow, runs[r].size)) {
            after += runs[usual[nextUsual]].size;
            runOrder.push_back(usual[nextUsual++]);
        }
    }
    runOrder.insert(runOrder.end(), usual.begin() + static_cast<long>(nextUsual), usual.end());

    std::vector<uint32_t> newIndex(blocks.size());
    std::vector<Block> reordered;
    reordered.reserve(blocks.size());
    for (size_t r : runOrder) {
        for (size_t b = runs[r].first; b < runs[r].first + runs[r].count; ++b) {
            newIndex[b] = static_cast<uint32_t>(reordered.size());
            reordered.push_back(std::move(blocks[b]));
        }
    }
    blocks = std::move(reordered);
    // Package order follows the blocks; an empty file past the last block stays last.
    for (PlannedFile& entry : entries) {
        if (entry.firstBlock < newIndex.size()) {
            entry.firstBlock = newIndex[entry.firstBlock];
        }
    }
    std::vector<size_t> entryOrder(entries.size());
    for (size_t i = 0; i < entryOrder.size(); ++i) {
        entryOrder[i] = i;
    }
    std::stable_sort(entryOrder.begin(), entryOrder.end(), [&](size_t a, size_t b) {
        return std::make_pair(entries[a].firstBlock, entries[a].offset) <
               std::make_pair(entries[b].firstBlock, entries[b].offset);
    });
    std::vector<size_t> newEntry(entries.size());
    std::vector<PlannedFile> sorted;
    sorted.reserve(entries.size());
    for (size_t i : entryOrder) {
        newEntry[i] = sorted.size();
        sorted.push_back(std::move(entries[i]));
    }
    entries = std::move(sorted);
    for (Block& block : blocks) {
        for (Piece& piece : block.pieces) {
            piece.entry = newEntry[piece.entry];
        }
    }
}

std::vector<uint8_t> directoryBytes(const std::vector<PlannedFile>& entries,
                                    const std::vector<Block>& blocks,
                                    const std::vector<uint32_t>& offsets,
                                    const std::vector<Sha256Digest>& digests) {
    std::vector<uint8_t> bytes(package::kSolidHeaderSize);
    package::writeLe32(bytes.data(), package::kSolidMarker);
    std::memcpy(bytes.data() + 4, package::kSolidMagic, 8);
    package::writeLe32(bytes.data() + 12, static_cast<uint32_t>(blocks.size()));
    package::writeLe32(bytes.data() + 16, static_cast<uint32_t>(entries.size()));
    auto put32 = [&bytes](uint32_t value) {
        uint8_t word[4];
        package::writeLe32(word, value);
        bytes.insert(bytes.end(), word, word + 4);
    };
    for (size_t i = 0; i < blocks.size(); ++i) {
        put32(offsets[i]);
        put32(static_cast<uint32_t>(blocks[i].packed.size()));
        put32(static_cast<uint32_t>(blocks[i].size));
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        const PlannedFile& entry = entries[i];
        // An empty file after the last block names the block that would come next.
        const bool pastEnd = entry.firstBlock >= blocks.size();
        put32(pastEnd ? static_cast<uint32_t>(blocks.size()) : entry.firstBlock);
        put32(pastEnd ? 0 : entry.offset);
        put32(static_cast<uint32_t>(entry.size));
        put32(entry.executable ? package::kModeExecutable : 0);
        put32(static_cast<uint32_t>(entry.file.name.size()));
        for (char16_t unit : entry.file.name) {
            bytes.push_back(static_cast<uint8_t>(unit));
            bytes.push_back(static_cast<uint8_t>(unit >> 8));
        }
        bytes.resize((bytes.size() + 3) / 4 * 4, 0);
        bytes.insert(bytes.end(), digests[i].begin(), digests[i].end());
    }
    return bytes;
}

}  // namespace

bool writeSolidPackage(std::vector<SolidFile> files, const std::string& outputPath,
                       const SolidWriteOptions& options, std::string* error) {
    const size_t blockSize =
        std::clamp<size_t>(options.blockSize, 4096, package::kMaxSolidBlockSize);
    std::vector<PlannedFile> entries;
    // Near-copies that together outgrow the dictionary are worth finding by content.
    if (!planSolidOrder(files, blockSize / 8, &entries, error)) {
        return false;
    }
    const size_t familySize =
        std::clamp<size_t>(options.familySize, blockSize, package::kMaxSolidBlockSize);
    std::vector<Block> blocks = cut(entries, blockSize, familySize);
    orderForDecoding(entries, blocks, blockSize);

    files::ReplacingFile output;
    if (!output.open(outputPath)) {
        setError(error, "cannot create " + outputPath + ": " + std::strerror(errno));
        return false;
    }

    // 4. Encode on every core; this thread writes blocks in order and hashes the entries.
    // A family's large block takes longest, so it starts first rather than last on one core
    // while the others idle; besides those, at most two blocks per thread are read and not
    // yet written.
    const unsigned threads =
        std::max(1u, options.threads != 0 ? options.threads : std::thread::hardware_concurrency());
    std::vector<size_t> encodeOrder;
    for (size_t index = 0; index < blocks.size(); ++index) {
        if (blocks[index].size > 2 * blockSize) {
            encodeOrder.push_back(index);
        }
    }
    const size_t largeFirst = encodeOrder.size();
    for (size_t index = 0; index < blocks.size(); ++index) {
        if (blocks[index].size <= 2 * blockSize) {
            encodeOrder.push_back(index);
        }
    }
    std::mutex mutex;
    std::condition_variable changed;
    size_t nextToEncode = 0;
    size_t written = 0;
    bool stop = false;
    auto work = [&] {
        for (;;) {
            size_t index = 0;
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] {
                    return stop || nextToEncode >= blocks.size() ||
                           nextToEncode < written + 2 * threads + largeFirst;
                });
                if (stop || nextToEncode >= blocks.size()) {
                    return;
                }
                index = encodeOrder[nextToEncode++];
            }
            Block& block = blocks[index];
            const bool ok = readPieces(entries, block) && encodeBlock(options, block);
            std::lock_guard<std::mutex> lock(mutex);
            block.failed = !ok;
            block.done = true;
            changed.notify_all();
        }
    };
    std::vector<std::thread> pool;
    for (unsigned i = 0; i < std::min<size_t>(threads, blocks.size()); ++i) {
        pool.emplace_back(work);
    }

    std::vector<std::unique_ptr<EntryHasher>> hashers(entries.size());
    std::vector<Sha256Digest> digests(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        hashers[i] = std::make_unique<EntryHasher>(entries[i].file.name, entries[i].size);
    }
    std::vector<uint32_t> offsets;
    uint64_t position = 0;
    bool ok = true;
    for (size_t index = 0; index < blocks.size() && ok; ++index) {
        Block& block = blocks[index];
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return block.done; });
        }
        if (block.failed) {
            setError(error, block.error);
            ok = false;
            break;
        }
        if (position + block.packed.size() > UINT32_MAX) {
            setError(error, "the package would exceed 4 GiB");
            ok = false;
            break;
        }
        if (!output.write(block.packed.data(), block.packed.size())) {
            setError(error, "cannot write " + outputPath + ": " + std::strerror(errno));
            ok = false;
            break;
        }
        offsets.push_back(static_cast<uint32_t>(position));
        position += block.packed.size();
        size_t at = 0;
        for (const Piece& piece : block.pieces) {
            hashers[piece.entry]->update(block.raw.data() + at, piece.length);
            at += piece.length;
        }
        std::vector<uint8_t>().swap(block.raw);
        std::lock_guard<std::mutex> lock(mutex);
        written = index + 1;
        changed.notify_all();
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
        changed.notify_all();
    }
    for (std::thread& thread : pool) {
        thread.join();
    }
    if (!ok) {
        return false;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        digests[i] = hashers[i]->finish();
    }
    const std::vector<uint8_t> directory = directoryBytes(entries, blocks, offsets, digests);
    uint8_t trailer[4];
    package::writeLe32(trailer, static_cast<uint32_t>(position) ^ package::kKey);
    if (position + directory.size() + 4 > UINT32_MAX) {
        setError(error, "the package would exceed 4 GiB");
        return false;
    }
    if (!output.write(directory.data(), directory.size()) || !output.write(trailer, 4) ||
        !output.commit()) {
        setError(error, "cannot write " + outputPath + ": " + std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace tamlo
