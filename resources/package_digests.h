#pragma once

#include <cstdint>
#include <string_view>

#include "resources/package_reader.h"
#include "resources/sha256.h"

namespace tamlo {

// The SHA-256 a package keeps for an entry: over the name's length and UTF-16LE units,
// the size as u64, then the bytes. A flipped bit in a name or a size shows up against it,
// not only one in the data.
class EntryHasher {
  public:
    EntryHasher(std::u16string_view name, uint64_t size);
    void update(const uint8_t* bytes, size_t length) { hash_.update(bytes, length); }
    Sha256Digest finish() { return hash_.finish(); }

  private:
    Sha256 hash_;
};

// Checks an entry's bytes against whichever digest the package keeps for it (always
// passes when it keeps none).
class EntryDigestCheck {
  public:
    EntryDigestCheck(const PackageReader& reader, const PackageEntry& entry)
        : kind_(reader.digestKind()), named_(entry.name, entry.size()) {
        if (kind_ != PackageReader::DigestKind::None) {
            expected_ = reader.digest(entry);
        }
    }
    void update(const uint8_t* data, size_t size) {
        if (kind_ == PackageReader::DigestKind::Data) {
            plain_.update(data, size);
        } else if (kind_ == PackageReader::DigestKind::NameSizeData) {
            named_.update(data, size);
        }
    }
    bool matches() {
        switch (kind_) {
            case PackageReader::DigestKind::Data:
                return plain_.finish() == expected_;
            case PackageReader::DigestKind::NameSizeData:
                return named_.finish() == expected_;
            case PackageReader::DigestKind::None:
                break;
        }
        return true;
    }

  private:
    PackageReader::DigestKind kind_;
    Sha256 plain_;
    EntryHasher named_;
    Sha256Digest expected_{};
};

}  // namespace tamlo
