// libFuzzer target: any bytes taken as a program with embedded files, then every file
// checked and read through the resource file system.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "resources/bundle.h"
#include "resources/resource_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t* bytes = static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size));
    if (size > 0) {
        std::memcpy(bytes, data, size);
    }
    {
        std::unique_ptr<tamlo::Bundle> bundle = tamlo::Bundle::fromMemory(bytes, size, nullptr);
        if (bundle) {
            bundle->verifyAll(nullptr);
            tamlo::ResourceFileSystem files(bundle.get());
            files.enterStandardFiles();
            for (const tamlo::BundleFileInfo& info : bundle->files()) {
                int length = 0;
                uint8_t* copy = files.read(info.name, length);
                if (copy != nullptr &&
                    (copy[length] | copy[length + 1] | copy[length + 2] | copy[length + 3]) != 0) {
                    std::abort();  // the four zero bytes are promised
                }
                files.free(copy);
            }
        }
    }
    std::free(bytes);
    return 0;
}
