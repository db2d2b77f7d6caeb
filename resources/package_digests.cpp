#include "resources/package_digests.h"

#include <cstring>

#include "resources/package_format.h"

namespace tamlo {

bool readEntryDigests(const PackageReader& reader, std::vector<Sha256Digest>* digests) {
    digests->clear();
    const size_t count = reader.entries().size();
    const size_t size = reader.tailSize();
    if (reader.damaged() || count == 0 ||
        size != count * package::kDigestSize + package::kDigestFooterSize) {
        return false;
    }
    const uint8_t* footer = reader.tail() + size - package::kDigestFooterSize;
    if (package::readLe32(footer) != count ||
        std::memcmp(footer + 4, package::kDigestMagic, sizeof package::kDigestMagic) != 0) {
        return false;
    }
    digests->resize(count);
    for (size_t i = 0; i < count; ++i) {
        std::memcpy((*digests)[i].data(), reader.tail() + i * package::kDigestSize,
                    package::kDigestSize);
    }
    return true;
}

}  // namespace tamlo
