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

// The same place in packages written since: the digests cover each entry's name and size
// as well as its bytes (entryDigest), and a byte per entry may follow them with its file
// mode bits. Footer: u32 count, u32 flags, kEntryTableMagic.
constexpr char kEntryTableMagic[8] = {'T', 'A', 'M', 'L', 'O', 'S', 'H', '2'};
constexpr size_t kEntryTableFooterSize = 16;
constexpr uint32_t kEntryTableHasModes = 1;
constexpr uint8_t kModeExecutable = 1;

// Solid layout: the directory starts with a record size no record can have, so readers
// that know only the per-entry layout refuse the package as damaged. After the marker
// and kSolidMagic: u32 block count, u32 entry count, per block {u32 offset, u32 stored
// size, u32 unpacked size}, per entry {u32 first block, u32 offset in it, u32 size,
// u32 mode flags, u32 name units, the UTF-16LE name padded to whole words, its SHA-256}.
// Each block is a whole .xz stream; an entry's bytes run on into the following blocks.
// The trailer ends the directory.
constexpr uint32_t kSolidMarker = 12;
constexpr char kSolidMagic[8] = {'T', 'A', 'M', 'L', 'O', 'S', 'B', '1'};
constexpr size_t kSolidHeaderSize = 4 + 8 + 8;
constexpr size_t kSolidBlockRecordSize = 12;
constexpr size_t kSolidEntryFixedSize = 20;
// No block unpacks to more than this; the decoder pool's memory bound rests on it.
constexpr uint32_t kMaxSolidBlockSize = 64u << 20;
// A block larger than this is streamed by readers, not held whole.
constexpr uint32_t kLargeSolidBlock = 16u << 20;

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
