#include "resources/package_digests.h"

#include <vector>

#include "resources/package_format.h"

namespace tamlo {

EntryHasher::EntryHasher(std::u16string_view name, uint64_t size) {
    std::vector<uint8_t> head(4 + name.size() * 2 + 8);
    package::writeLe32(head.data(), static_cast<uint32_t>(name.size()));
    for (size_t i = 0; i < name.size(); ++i) {
        head[4 + i * 2] = static_cast<uint8_t>(name[i]);
        head[5 + i * 2] = static_cast<uint8_t>(name[i] >> 8);
    }
    package::writeLe64(head.data() + 4 + name.size() * 2, size);
    hash_.update(head.data(), head.size());
}

}  // namespace tamlo
