#pragma once

#include <cstddef>
#include <cstdint>

namespace tamlo::package {

// Scrambles the directory offset in the trailer and every word of the entry names.
constexpr uint32_t kKey = 0x5A17C3E9u;

// Record header: recordSize, dataOffset, storedSize, unpackedSize (u32 each).
constexpr uint32_t kRecordHeaderSize = 16;

// Largest name area (UTF-16LE name, zero code unit and padding) a record may carry.
constexpr uint32_t kMaxNameAreaBytes = 2048;

// Longest name in code units that still leaves room for the terminator.
constexpr size_t kMaxNameUnits = kMaxNameAreaBytes / 2 - 1;

// More records than any real payload holds; a directory past it is refused as damaged
// (each record costs index memory whatever its data).
constexpr size_t kMaxEntries = size_t{1} << 18;

// Optional, after the directory's terminating zero and before the trailer (readers of
// entries never look there): the SHA-256 of every entry's unpacked bytes in directory
// order, 32 bytes each, then u32 count and kDigestMagic. Damage the format cannot see
// otherwise (it has no checksum) shows up against them.
constexpr char kDigestMagic[8] = {'T', 'A', 'M', 'L', 'O', 'S', 'H', '1'};
constexpr size_t kDigestFooterSize = 12;
constexpr size_t kDigestSize = 32;

// A compressed block starts with the LZMA properties byte and the u32 dictionary size.
constexpr uint32_t kLzmaPropertiesSize = 5;

// Bytes handed to a sink at a time by streaming extraction.
constexpr size_t kStreamChunkSize = 64 * 1024;

inline uint32_t readLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline void writeLe32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

inline uint64_t readLe64(const uint8_t* p) {
    return static_cast<uint64_t>(readLe32(p)) | static_cast<uint64_t>(readLe32(p + 4)) << 32;
}

inline void writeLe64(uint8_t* p, uint64_t value) {
    writeLe32(p, static_cast<uint32_t>(value));
    writeLe32(p + 4, static_cast<uint32_t>(value >> 32));
}

}  // namespace tamlo::package
