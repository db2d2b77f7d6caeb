// libFuzzer target: any bytes given to the package reader, then every entry extracted
// both whole and streamed.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "resources/package_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact heap copy, so reads past the end are caught.
    uint8_t* bytes = static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size));
    if (size > 0) {
        std::memcpy(bytes, data, size);
    }
    {
        tamlo::PackageReader reader(bytes, size);
        size_t budget = 64u << 20;  // keep each run quick whatever sizes the records claim
        for (const tamlo::PackageEntry& entry : reader.entries()) {
            if (entry.size() > budget) {
                continue;
            }
            budget -= entry.size();
            int length = 0;
            uint8_t* whole = reader.extract(entry.name, &length);
            std::free(whole);
            reader.extractTo(
                entry, [](const uint8_t* chunk, size_t n) { return chunk != nullptr && n <= 4096; },
                nullptr, 4096);
        }
    }
    std::free(bytes);
    return 0;
}
