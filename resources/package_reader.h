#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "resources/chunk_sink.h"
#include "resources/sha256.h"
#include "resources/xz_block_stream.h"

namespace tamlo {

// One directory record. `name` points into the reader's own name store. A solid entry
// (block set) has its bytes at dataOffset in that block, running on into the next ones;
// its storedSize is 0 and unpackedSize its length.
struct PackageEntry {
    static constexpr uint32_t kNoBlock = UINT32_MAX;

    std::u16string_view name;
    uint32_t dataOffset = 0;
    uint32_t storedSize = 0;
    uint32_t unpackedSize = 0;  // 0: the block is stored as it is
    uint32_t index = 0;         // position in entries()
    uint32_t block = kNoBlock;
    uint64_t solidStart = 0;  // where its bytes start in all blocks unpacked back to back
    bool executable = false;  // recorded with the execute permission

    bool solid() const { return block != kNoBlock; }
    bool compressed() const { return unpackedSize != 0; }
    // The entry's length once extracted.
    uint32_t size() const { return compressed() ? unpackedSize : storedSize; }
};

// Indexes a package buffer in place; the buffer is borrowed and must outlive the reader.
// A malformed package is reported as damaged and indexes nothing; the reader never
// reads outside [buffer, buffer + length).
class PackageReader {
  public:
    PackageReader(const uint8_t* buffer, size_t length);
    PackageReader(const PackageReader&) = delete;
    PackageReader& operator=(const PackageReader&) = delete;

    // A block of a solid package: one .xz stream.
    struct SolidBlock {
        uint32_t offset = 0;
        uint32_t storedSize = 0;
        uint32_t unpackedSize = 0;
        uint64_t start = 0;  // where it starts in all blocks unpacked back to back
    };
    // What the package's entry digests cover: nothing (none recorded), the bytes only
    // (the first digest table), or name, size and bytes (entryDigest).
    enum class DigestKind { None, Data, NameSizeData };

    bool damaged() const { return damaged_; }
    const std::string& problem() const { return problem_; }

    // Every record in directory order, duplicates included.
    const std::vector<PackageEntry>& entries() const { return entries_; }

    bool solid() const { return solid_; }
    const std::vector<SolidBlock>& blocks() const { return blocks_; }
    // The block holding unpacked position `position` (solid packages only).
    size_t blockAt(uint64_t position) const;
    // Decodes block `index` into `output`, which holds exactly its unpacked size.
    // `verifyCheck` false skips the block's own check, for a caller that checks every
    // entry's digest anyway.
    bool decodeBlock(size_t index, uint8_t* output, std::string* error,
                     bool verifyCheck = true) const;
    // A front-to-back decoder of block `index` (which must exist) that never holds it whole.
    std::unique_ptr<XzBlockStream> streamBlock(size_t index, bool verifyCheck = true) const;

    DigestKind digestKind() const { return digestKind_; }
    const Sha256Digest& digest(const PackageEntry& entry) const { return digests_[entry.index]; }
    // Bytes after a per-entry directory that are not a digest table this reader knows.
    bool digestTableDamaged() const { return digestTableDamaged_; }

    // The bytes between the directory's terminating zero and the trailer (empty for a
    // damaged package); the reader itself ignores them.
    const uint8_t* tail() const { return base_ + tailBegin_; }
    size_t tailSize() const { return tailSize_; }

    // The entry a name resolves to (the last record of that name), or null. Exact match.
    const PackageEntry* find(std::u16string_view name) const;
    bool isIndexed(const PackageEntry& entry) const { return find(entry.name) == &entry; }

    // A malloc'd buffer holding exactly the entry's bytes (free() it), or null when the
    // name is unknown or the entry does not decode to its full size. `size` is set only
    // on success and may be null.
    uint8_t* extract(std::u16string_view name, int* size) const;
    uint8_t* extract(const PackageEntry& entry, size_t* size, std::string* error) const;

    // Hands the entry's bytes to `sink` in pieces of at most `chunkSize` bytes; memory use
    // does not grow with the entry. False when the decode fails or the sink refuses.
    bool extractTo(const PackageEntry& entry, const ChunkSink& sink, std::string* error,
                   size_t chunkSize = 64 * 1024) const;

  private:
    bool indexDirectory();
    bool indexSolidDirectory(size_t directory);
    void readEntryTable();
    bool extractSolid(const PackageEntry& entry, const ChunkSink& sink, std::string* error,
                      size_t chunkSize) const;
    void fail(std::string problem);
    void buildIndex();

    const uint8_t* base_;
    size_t length_;
    bool damaged_ = false;
    std::string problem_;
    size_t tailBegin_ = 0;
    size_t tailSize_ = 0;
    std::u16string names_;  // every name back to back; entries view into it
    std::vector<PackageEntry> entries_;
    bool solid_ = false;
    std::vector<SolidBlock> blocks_;
    DigestKind digestKind_ = DigestKind::None;
    bool digestTableDamaged_ = false;
    std::vector<Sha256Digest> digests_;
    // Open-addressing hash table over entries_ (see buildIndex). One flat block instead
    // of a node per name keeps indexing large packages fast.
    std::vector<uint64_t> slots_;
};

}  // namespace tamlo
