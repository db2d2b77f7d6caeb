#include "resources/package_reader.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/debug_sink.h"
#include "resources/lzma_codec.h"
#include "resources/package_format.h"

namespace tamlo {

using package::kKey;
using package::kMaxNameAreaBytes;
using package::kRecordHeaderSize;
using package::readLe32;

namespace {

void setError(std::string* error, std::string text) {
    if (error != nullptr) {
        *error = std::move(text);
    }
}

}  // namespace

PackageReader::PackageReader(const uint8_t* buffer, size_t length)
    : base_(buffer), length_(buffer == nullptr ? 0 : length) {
    if (!indexDirectory()) {
        tailBegin_ = 0;
        tailSize_ = 0;
        names_.clear();
        entries_.clear();
        slots_.clear();
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
        nameStart += item.units;
        entries_.push_back(entry);
    }
    buildIndex();
    return true;
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

}  // namespace tamlo
