#include "resources/package_reader.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/debug_sink.h"
#include "resources/error_text.h"
#include "resources/lzma_codec.h"
#include "resources/package_format.h"

namespace tamlo {

using package::kKey;
using package::kMaxNameAreaBytes;
using package::kRecordHeaderSize;
using package::readLe32;

PackageReader::PackageReader(const uint8_t* buffer, size_t length)
    : base_(buffer), length_(buffer == nullptr ? 0 : length) {
    if (!indexDirectory()) {
        tailBegin_ = 0;
        tailSize_ = 0;
        names_.clear();
        entries_.clear();
        slots_.clear();
        blocks_.clear();
        digests_.clear();
        solid_ = false;
        digestKind_ = DigestKind::None;
    }
}

void PackageReader::fail(std::string problem) {
    damaged_ = true;
    problem_ = std::move(problem);
}

bool PackageReader::indexDirectory() {
    if (length_ < 8) {
        fail("the package is too short");
        return false;
    }
    // Records and the terminating zero must all lie before the trailer.
    const size_t directoryEnd = length_ - 4;
    const size_t directory = readLe32(base_ + directoryEnd) ^ kKey;
    if (directory > directoryEnd - 4) {
        fail("the directory offset lies outside the package");
        return false;
    }
    if (readLe32(base_ + directory) == package::kSolidMarker) {
        return indexSolidDirectory(directory);
    }

    // Pass 1: walk and check every record, measuring the names so that the name store
    // is allocated once and the views into it stay valid.
    struct Located {
        size_t record;
        size_t units;
    };
    std::vector<Located> located;
    size_t totalUnits = 0;
    size_t position = directory;
    for (;;) {
        if (position > directoryEnd - 4) {
            fail("the directory runs into the trailer without its terminating zero");
            return false;
        }
        const uint8_t* record = base_ + position;
        const uint32_t recordSize = readLe32(record);
        if (recordSize == 0) {
            tailBegin_ = position + 4;
            tailSize_ = directoryEnd - tailBegin_;
            break;
        }
        auto where = [position] { return "record at offset " + std::to_string(position); };
        if (recordSize < kRecordHeaderSize) {
            fail(where() + " is shorter than its header");
            return false;
        }
        if (recordSize > directoryEnd - position) {
            fail(where() + " runs past the end of the directory");
            return false;
        }
        const uint32_t nameArea = recordSize - kRecordHeaderSize;
        if (nameArea > kMaxNameAreaBytes) {
            fail(where() + " has a name longer than " + std::to_string(kMaxNameAreaBytes) +
                 " bytes");
            return false;
        }
        const uint64_t dataOffset = readLe32(record + 4);
        const uint64_t storedSize = readLe32(record + 8);
        const uint32_t unpackedSize = readLe32(record + 12);
        if (dataOffset + storedSize > length_) {
            fail(where() + " has its data outside the package");
            return false;
        }
        if (unpackedSize != 0 && storedSize < package::kLzmaPropertiesSize) {
            fail(where() + " is compressed but has no room for the LZMA properties");
            return false;
        }
        // Unscramble whole words only; a trailing half word is taken as stored.
        const uint8_t* area = record + kRecordHeaderSize;
        size_t units = 0;
        bool terminated = false;
        for (; units < nameArea / 2; ++units) {
            uint16_t unit = static_cast<uint16_t>(area[units * 2] | area[units * 2 + 1] << 8);
            if (units < nameArea / 4 * 2) {
                unit ^= static_cast<uint16_t>(units % 2 == 0 ? kKey : kKey >> 16);
            }
            if (unit == 0) {
                terminated = true;
                break;
            }
        }
        if (!terminated) {
            fail(where() + " has a name without a terminator");
            return false;
        }
        if (located.size() == package::kMaxEntries) {
            fail("the package has more than " + std::to_string(package::kMaxEntries) + " entries");
            debugOutput("package refused: " + problem_);
            return false;
        }
        located.push_back({position, units});
        totalUnits += units;
        position += recordSize;
    }

    // Pass 2: copy the names out and index them; a later record replaces an earlier one.
    names_.resize(totalUnits);
    entries_.reserve(located.size());
    size_t nameStart = 0;
    for (const Located& item : located) {
        const uint8_t* record = base_ + item.record;
        const uint8_t* area = record + kRecordHeaderSize;
        for (size_t i = 0; i < item.units; ++i) {
            uint16_t unit = static_cast<uint16_t>(area[i * 2] | area[i * 2 + 1] << 8);
            unit ^= static_cast<uint16_t>(i % 2 == 0 ? kKey : kKey >> 16);
            names_[nameStart + i] = static_cast<char16_t>(unit);
        }
        PackageEntry entry;
        entry.name = std::u16string_view(names_.data() + nameStart, item.units);
        entry.dataOffset = readLe32(record + 4);
        entry.storedSize = readLe32(record + 8);
        entry.unpackedSize = readLe32(record + 12);
        entry.index = static_cast<uint32_t>(entries_.size());
        nameStart += item.units;
        entries_.push_back(entry);
    }
    buildIndex();
    readEntryTable();
    return true;
}

// The optional table after a per-entry directory: digests (of the data only in the first
// version; of name, size and data since) and, since, a mode byte per entry.
void PackageReader::readEntryTable() {
    const size_t count = entries_.size();
    const uint8_t* tail = base_ + tailBegin_;
    if (tailSize_ == 0) {
        return;
    }
    auto damagedTable = [this] {
        digestTableDamaged_ = true;
        digestKind_ = DigestKind::None;
        digests_.clear();
    };
    const uint8_t* footer = nullptr;
    size_t modesSize = 0;
    if (tailSize_ >= package::kDigestFooterSize &&
        std::memcmp(tail + tailSize_ - 8, package::kDigestMagic, 8) == 0) {
        footer = tail + tailSize_ - package::kDigestFooterSize;
        if (readLe32(footer) != count ||
            tailSize_ != count * package::kDigestSize + package::kDigestFooterSize) {
            return damagedTable();
        }
        digestKind_ = DigestKind::Data;
    } else if (tailSize_ >= package::kEntryTableFooterSize &&
               std::memcmp(tail + tailSize_ - 8, package::kEntryTableMagic, 8) == 0) {
        footer = tail + tailSize_ - package::kEntryTableFooterSize;
        const uint32_t flags = readLe32(footer + 4);
        modesSize = (flags & package::kEntryTableHasModes) != 0 ? count : 0;
        if (readLe32(footer) != count || (flags & ~package::kEntryTableHasModes) != 0 ||
            tailSize_ !=
                count * package::kDigestSize + modesSize + package::kEntryTableFooterSize) {
            return damagedTable();
        }
        digestKind_ = DigestKind::NameSizeData;
    } else {
        return damagedTable();
    }
    digests_.resize(count);
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(digests_[i].data(), tail + i * package::kDigestSize, package::kDigestSize);
    }
    const uint8_t* modes = tail + count * package::kDigestSize;
    for (size_t i = 0; i < modesSize; ++i) {
        entries_[i].executable = (modes[i] & package::kModeExecutable) != 0;
    }
}

bool PackageReader::indexSolidDirectory(size_t directory) {
    solid_ = true;
    const size_t end = length_ - 4;  // the directory runs up to the trailer
    size_t position = directory;
    auto need = [&](size_t bytes) { return bytes <= end - position; };
    if (!need(package::kSolidHeaderSize) ||
        std::memcmp(base_ + position + 4, package::kSolidMagic, 8) != 0) {
        fail("the solid directory has no valid header");
        return false;
    }
    const uint32_t blockCount = readLe32(base_ + position + 12);
    const uint32_t entryCount = readLe32(base_ + position + 16);
    position += package::kSolidHeaderSize;
    if (entryCount > package::kMaxEntries ||
        blockCount > (end - position) / package::kSolidBlockRecordSize) {
        fail("the solid directory counts more blocks or entries than it holds");
        return false;
    }
    uint64_t unpackedTotal = 0;
    blocks_.reserve(blockCount);
    for (uint32_t i = 0; i < blockCount; ++i) {
        const uint8_t* record = base_ + position;
        SolidBlock block;
        block.offset = readLe32(record);
        block.storedSize = readLe32(record + 4);
        block.unpackedSize = readLe32(record + 8);
        block.start = unpackedTotal;
        if (uint64_t{block.offset} + block.storedSize > directory ||
            block.unpackedSize > package::kMaxSolidBlockSize) {
            fail("block " + std::to_string(i) + " lies outside the data or is too large");
            return false;
        }
        unpackedTotal += block.unpackedSize;
        blocks_.push_back(block);
        position += package::kSolidBlockRecordSize;
    }
    // Pass 1 measures the names so that the views into the name store stay valid.
    std::vector<size_t> records;
    size_t totalUnits = 0;
    for (uint32_t i = 0; i < entryCount; ++i) {
        if (!need(package::kSolidEntryFixedSize)) {
            fail("the solid directory ends inside entry " + std::to_string(i));
            return false;
        }
        const uint8_t* record = base_ + position;
        const uint32_t units = readLe32(record + 16);
        const size_t nameBytes = (size_t{units} * 2 + 3) / 4 * 4;
        if (units == 0 || units > package::kMaxNameUnits ||
            !need(package::kSolidEntryFixedSize + nameBytes + package::kDigestSize)) {
            fail("entry " + std::to_string(i) + " has a name that does not fit");
            return false;
        }
        const uint32_t first = readLe32(record);
        const uint32_t offset = readLe32(record + 4);
        const uint32_t size = readLe32(record + 8);
        if (first >= blockCount && !(first == blockCount && size == 0 && offset == 0)) {
            fail("entry " + std::to_string(i) + " names a block the package lacks");
            return false;
        }
        const uint64_t start =
            (first < blockCount ? blocks_[first].start : unpackedTotal) + uint64_t{offset};
        if ((first < blockCount && offset > blocks_[first].unpackedSize) ||
            start + size > unpackedTotal) {
            fail("entry " + std::to_string(i) + " runs past the end of the blocks");
            return false;
        }
        records.push_back(position);
        totalUnits += units;
        position += package::kSolidEntryFixedSize + nameBytes + package::kDigestSize;
    }
    if (position != end) {
        fail("the solid directory does not end at the trailer");
        return false;
    }
    names_.resize(totalUnits);
    entries_.reserve(entryCount);
    digests_.resize(entryCount);
    size_t nameStart = 0;
    for (size_t record : records) {
        const uint8_t* bytes = base_ + record;
        const uint32_t units = readLe32(bytes + 16);
        for (uint32_t u = 0; u < units; ++u) {
            const uint8_t* at = bytes + package::kSolidEntryFixedSize + u * 2;
            names_[nameStart + u] = static_cast<char16_t>(at[0] | at[1] << 8);
        }
        PackageEntry entry;
        entry.name = std::u16string_view(names_.data() + nameStart, units);
        entry.block = readLe32(bytes);
        entry.dataOffset = readLe32(bytes + 4);
        entry.unpackedSize = readLe32(bytes + 8);
        entry.executable = (readLe32(bytes + 12) & package::kModeExecutable) != 0;
        entry.solidStart = (entry.block < blockCount ? blocks_[entry.block].start : unpackedTotal) +
                           entry.dataOffset;
        entry.index = static_cast<uint32_t>(entries_.size());
        std::memcpy(digests_[entry.index].data(),
                    bytes + package::kSolidEntryFixedSize + (size_t{units} * 2 + 3) / 4 * 4,
                    package::kDigestSize);
        nameStart += units;
        entries_.push_back(entry);
    }
    digestKind_ = DigestKind::NameSizeData;
    buildIndex();
    return true;
}

size_t PackageReader::blockAt(uint64_t position) const {
    auto after = std::upper_bound(
        blocks_.begin(), blocks_.end(), position,
        [](uint64_t value, const SolidBlock& block) { return value < block.start; });
    return after == blocks_.begin() ? 0 : static_cast<size_t>(after - blocks_.begin() - 1);
}

bool PackageReader::decodeBlock(size_t index, uint8_t* output, std::string* error,
                                bool verifyCheck) const {
    if (index >= blocks_.size()) {
        setError(error, "no such block");
        return false;
    }
    const SolidBlock& block = blocks_[index];
    return lzma::decodeXz(base_ + block.offset, block.storedSize, output, block.unpackedSize, error,
                          verifyCheck);
}

std::unique_ptr<XzBlockStream> PackageReader::streamBlock(size_t index, bool verifyCheck) const {
    const SolidBlock& block = blocks_.at(index);
    return std::make_unique<XzBlockStream>(base_ + block.offset, block.storedSize,
                                           block.unpackedSize, verifyCheck);
}

namespace {

uint32_t hashName(std::u16string_view name) {
    // Four code units per step keeps the multiply chain short for path-like names.
    uint64_t hash = 0x9E3779B97F4A7C15ull ^ name.size();
    size_t i = 0;
    for (; i + 4 <= name.size(); i += 4) {
        uint64_t word = uint64_t{name[i]} | uint64_t{name[i + 1]} << 16 |
                        uint64_t{name[i + 2]} << 32 | uint64_t{name[i + 3]} << 48;
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
        hash ^= hash >> 32;
    }
    for (; i < name.size(); ++i) {
        hash = (hash ^ name[i]) * 0xC4CEB9FE1A85EC53ull;
    }
    hash ^= hash >> 29;
    return static_cast<uint32_t>(hash);
}

}  // namespace

// Each slot holds the name's hash (high half) and entry index + 1 (low half; 0 = empty),
// so probing compares names only when the hashes agree.
void PackageReader::buildIndex() {
    size_t capacity = 16;
    while (capacity < entries_.size() * 2) {
        capacity *= 2;
    }
    slots_.assign(capacity, 0);
    const size_t mask = capacity - 1;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const uint32_t hash = hashName(entries_[i].name);
        size_t slot = hash & mask;
        // A later record of the same name takes over its slot.
        for (; slots_[slot] != 0; slot = (slot + 1) & mask) {
            if (static_cast<uint32_t>(slots_[slot] >> 32) == hash &&
                entries_[static_cast<uint32_t>(slots_[slot]) - 1].name == entries_[i].name) {
                break;
            }
        }
        slots_[slot] = uint64_t{hash} << 32 | (i + 1);
    }
}

const PackageEntry* PackageReader::find(std::u16string_view name) const {
    if (slots_.empty()) {
        return nullptr;
    }
    const size_t mask = slots_.size() - 1;
    const uint32_t hash = hashName(name);
    for (size_t slot = hash & mask; slots_[slot] != 0; slot = (slot + 1) & mask) {
        if (static_cast<uint32_t>(slots_[slot] >> 32) != hash) {
            continue;
        }
        const PackageEntry& entry = entries_[static_cast<uint32_t>(slots_[slot]) - 1];
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

uint8_t* PackageReader::extract(std::u16string_view name, int* size) const {
    const PackageEntry* entry = find(name);
    if (entry == nullptr || entry->size() > static_cast<uint32_t>(INT_MAX)) {
        return nullptr;
    }
    size_t length = 0;
    uint8_t* bytes = extract(*entry, &length, nullptr);
    if (bytes != nullptr && size != nullptr) {
        *size = static_cast<int>(length);
    }
    return bytes;
}

uint8_t* PackageReader::extract(const PackageEntry& entry, size_t* size, std::string* error) const {
    const size_t length = entry.size();
    if (entry.solid()) {
        uint8_t* bytes = static_cast<uint8_t*>(std::malloc(length == 0 ? 1 : length));
        size_t done = 0;
        auto copy = [&](const uint8_t* data, size_t piece) {
            std::memcpy(bytes + done, data, piece);
            done += piece;
            return true;
        };
        if (bytes == nullptr || !extractTo(entry, copy, error)) {
            std::free(bytes);
            return nullptr;
        }
        if (size != nullptr) {
            *size = length;
        }
        return bytes;
    }
    // malloc(0) may return null; an empty entry still gets a buffer of its own.
    uint8_t* bytes = static_cast<uint8_t*>(std::malloc(length == 0 ? 1 : length));
    if (bytes == nullptr) {
        setError(error, "out of memory");
        return nullptr;
    }
    const uint8_t* block = base_ + entry.dataOffset;
    if (entry.compressed()) {
        lzma::Properties properties;
        if (!lzma::parseProperties(block, &properties)) {
            setError(error, "invalid LZMA properties");
            std::free(bytes);
            return nullptr;
        }
        if (!lzma::decodeToBuffer(properties, block + package::kLzmaPropertiesSize,
                                  entry.storedSize - package::kLzmaPropertiesSize, bytes, length,
                                  error)) {
            std::free(bytes);
            return nullptr;
        }
    } else if (length > 0) {
        std::memcpy(bytes, block, length);
    }
    if (size != nullptr) {
        *size = length;
    }
    return bytes;
}

bool PackageReader::extractTo(const PackageEntry& entry, const ChunkSink& sink, std::string* error,
                              size_t chunkSize) const {
    if (chunkSize == 0) {
        chunkSize = package::kStreamChunkSize;
    }
    if (entry.solid()) {
        return extractSolid(entry, sink, error, chunkSize);
    }
    const uint8_t* block = base_ + entry.dataOffset;
    if (entry.compressed()) {
        lzma::Properties properties;
        if (!lzma::parseProperties(block, &properties)) {
            setError(error, "invalid LZMA properties");
            return false;
        }
        return lzma::decodeToSink(properties, block + package::kLzmaPropertiesSize,
                                  entry.storedSize - package::kLzmaPropertiesSize,
                                  entry.unpackedSize, sink, error, chunkSize);
    }
    for (size_t done = 0; done < entry.storedSize;) {
        size_t piece = std::min<size_t>(chunkSize, entry.storedSize - done);
        if (!sink(block + done, piece)) {
            setError(error, "the output refused the data");
            return false;
        }
        done += piece;
    }
    return true;
}

// Streams the blocks the entry spans one after another, never holding a block whole;
// the decoder pool (block_decoder_pool.h) is the fast way through many entries.
bool PackageReader::extractSolid(const PackageEntry& entry, const ChunkSink& sink,
                                 std::string* error, size_t chunkSize) const {
    uint64_t position = entry.solidStart;
    uint64_t remaining = entry.unpackedSize;
    bool refused = false;
    auto chunked = [&](const uint8_t* data, size_t size) {
        for (size_t done = 0; done < size;) {
            const size_t step = std::min(chunkSize, size - done);
            if (!sink(data + done, step)) {
                refused = true;
                return false;
            }
            done += step;
        }
        return true;
    };
    const ChunkSink forward = chunked;
    for (size_t index = entry.block; remaining > 0; ++index) {
        if (index >= blocks_.size()) {
            setError(error, "the entry runs past the last block");
            return false;
        }
        const SolidBlock& block = blocks_[index];
        const uint64_t from = position - block.start;
        const uint64_t piece = std::min<uint64_t>(remaining, block.unpackedSize - from);
        if (piece == 0) {
            continue;  // the entry starts at this block's very end
        }
        std::unique_ptr<XzBlockStream> stream = streamBlock(index);
        std::string problem;
        if (!stream->read(from, nullptr, &problem) || !stream->read(piece, &forward, &problem)) {
            setError(error, refused ? problem
                                    : "block " + std::to_string(index) + " is damaged: " + problem);
            return false;
        }
        position += piece;
        remaining -= piece;
    }
    return true;
}

}  // namespace tamlo
