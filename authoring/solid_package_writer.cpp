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

struct Planned {
    SolidFile file;
    uint64_t size = 0;
    bool executable = false;
    lzma::BranchFilter filter = lzma::BranchFilter::None;
    std::u16string extension;
    uint32_t firstBlock = 0;
    uint32_t offset = 0;
};

struct Piece {
    size_t entry;
    uint64_t from;
    size_t length;
};

struct Block {
    lzma::BranchFilter filter = lzma::BranchFilter::None;
    std::vector<Piece> pieces;
    size_t size = 0;
    // Filled by the encoding threads.
    bool done = false;
    bool failed = false;
    std::string error;
    std::vector<uint8_t> raw;
    std::vector<uint8_t> packed;
};

// Machine code by its header: PE ("MZ", machine at the PE header) or ELF (e_machine).
lzma::BranchFilter filterFor(const std::string& path) {
    uint8_t head[4096] = {};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return lzma::BranchFilter::None;
    }
    const size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    auto u16 = [&](size_t at) { return static_cast<uint32_t>(head[at] | head[at + 1] << 8); };
    if (got >= 20 &&
        std::memcmp(head,
                    "\x7f"
                    "ELF",
                    4) == 0 &&
        head[5] == 1) {
        const uint32_t machine = u16(18);
        return machine == 62 || machine == 3 ? lzma::BranchFilter::X86
               : machine == 183              ? lzma::BranchFilter::Arm64
                                             : lzma::BranchFilter::None;
    }
    if (got >= 64 && head[0] == 'M' && head[1] == 'Z') {
        const uint32_t pe = package::readLe32(head + 60);
        if (pe <= got - 6 && std::memcmp(head + pe, "PE\0\0", 4) == 0) {
            const uint32_t machine = u16(pe + 4);
            return machine == 0x14C || machine == 0x8664 ? lzma::BranchFilter::X86
                   : machine == 0xAA64                   ? lzma::BranchFilter::Arm64
                                                         : lzma::BranchFilter::None;
        }
    }
    return lzma::BranchFilter::None;
}

std::u16string extensionOf(const std::u16string& name) {
    const size_t slash = name.rfind(u'/');
    const size_t dot = name.rfind(u'.');
    if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) {
        return {};
    }
    std::u16string extension = name.substr(dot + 1);
    for (char16_t& unit : extension) {
        if (unit >= u'A' && unit <= u'Z') {
            unit = static_cast<char16_t>(unit - u'A' + u'a');
        }
    }
    return extension;
}

bool readPieces(const std::vector<Planned>& entries, Block& block) {
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

// The block through its filter, unless the filter makes a sample of it larger.
bool encodeBlock(const SolidWriteOptions& options, Block& block) {
    lzma::BranchFilter filter = block.filter;
    if (filter != lzma::BranchFilter::None) {
        const size_t sample = std::min(block.raw.size(), kFilterSample);
        std::vector<uint8_t> with, without;
        if (lzma::encodeXz(block.raw.data(), sample, filter, 0, &with, nullptr) &&
            lzma::encodeXz(block.raw.data(), sample, lzma::BranchFilter::None, 0, &without,
                           nullptr) &&
            with.size() >= without.size()) {
            filter = lzma::BranchFilter::None;
        }
    }
    return lzma::encodeXz(block.raw.data(), block.raw.size(), filter, options.preset, &block.packed,
                          &block.error);
}

// 1. Order and measure the files.
bool plan(std::vector<SolidFile>& files, std::vector<Planned>* entries, std::string* error) {
    for (SolidFile& file : files) {
        Planned entry;
        std::error_code failure;
        const fs::file_status status = fs::status(file.path, failure);
        if (failure || !fs::is_regular_file(status)) {
            setError(error, file.path + " is not a regular file");
            return false;
        }
        entry.size = fs::file_size(file.path, failure);
        if (failure || entry.size > UINT32_MAX) {
            setError(error, file.path + " cannot be read or is 4 GiB or larger");
            return false;
        }
        entry.executable = (status.permissions() & fs::perms::owner_exec) != fs::perms::none;
        entry.filter = filterFor(file.path);
        entry.extension = extensionOf(file.name);
        entry.file = std::move(file);
        entries->push_back(std::move(entry));
    }
    std::stable_sort(entries->begin(), entries->end(), [](const Planned& a, const Planned& b) {
        if (a.filter != b.filter) {
            return a.filter > b.filter;
        }
        if (a.extension != b.extension) {
            return a.extension < b.extension;
        }
        return a.file.name < b.file.name;
    });
    return true;
}

// Numbered variants of one file (d3dx9_24.dll, d3dx9_25.dll; atl90.dll, atl100.dll) are
// mostly alike: the name without the digits that end its stem, nor what joins them.
std::u16string familyOf(const std::u16string& name, const std::u16string& extension) {
    size_t end = name.size() - (extension.empty() ? 0 : extension.size() + 1);
    const size_t digitsEnd = end;
    while (end > 0 && name[end - 1] >= u'0' && name[end - 1] <= u'9') {
        --end;
    }
    if (end == digitsEnd) {
        return {};  // not numbered
    }
    while (end > 0 && (name[end - 1] == u'_' || name[end - 1] == u'-' || name[end - 1] == u'.')) {
        --end;
    }
    return name.substr(0, end) + u'.' + extension;
}

// 2. Cut the files, back to back, into blocks; a block holds one kind of data only. A
// block starts with an empty dictionary, so a file whose numbered sibling is in the
// previous block costs its whole size again: a family of siblings stays in one block,
// which may then grow past `blockSize` up to `familySize`.
std::vector<Block> cut(std::vector<Planned>& entries, size_t blockSize, size_t familySize) {
    std::vector<Block> blocks;
    std::u16string family;
    for (size_t i = 0; i < entries.size(); ++i) {
        Planned& entry = entries[i];
        std::u16string previous = std::move(family);
        family = familyOf(entry.file.name, entry.extension);
        const bool joins =
            !family.empty() && family == previous && i > 0 && entries[i - 1].filter == entry.filter;
        const size_t limit = joins ? std::max(blockSize, familySize) : blockSize;
        // The first of a family does not start at the end of a block it would overflow.
        const bool starts =
            !joins && !family.empty() && i + 1 < entries.size() &&
            familyOf(entries[i + 1].file.name, entries[i + 1].extension) == family &&
            entries[i + 1].filter == entry.filter;
        if (!blocks.empty() && blocks.back().size > 0 &&
            (blocks.back().filter != entry.filter ||
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

std::vector<uint8_t> directoryBytes(const std::vector<Planned>& entries,
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
        const Planned& entry = entries[i];
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
    std::vector<Planned> entries;
    if (!plan(files, &entries, error)) {
        return false;
    }
    const size_t blockSize =
        std::clamp<size_t>(options.blockSize, 4096, package::kMaxSolidBlockSize);
    const size_t familySize =
        std::clamp<size_t>(options.familySize, blockSize, package::kMaxSolidBlockSize);
    std::vector<Block> blocks = cut(entries, blockSize, familySize);

    files::ReplacingFile output;
    if (!output.open(outputPath)) {
        setError(error, "cannot create " + outputPath + ": " + std::strerror(errno));
        return false;
    }

    // 3. Encode on every core; this thread writes blocks in order and hashes the entries.
    // At most two blocks per thread are read and not yet written.
    const unsigned threads =
        std::max(1u, options.threads != 0 ? options.threads : std::thread::hardware_concurrency());
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
                           nextToEncode < written + 2 * threads;
                });
                if (stop || nextToEncode >= blocks.size()) {
                    return;
                }
                index = nextToEncode++;
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
