#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tamlo {

struct SolidFile {
    std::u16string name;
    std::string path;
};

struct SolidWriteOptions {
    uint32_t preset = 6;
    // Unpacked bytes per block. Blocks decode in parallel and each alone, so smaller
    // blocks use more cores and less memory, larger ones compress better: each starts
    // with an empty dictionary. 12 MiB gives 100 MB eight blocks.
    size_t blockSize = 12u << 20;
    // How large a block may grow to keep a family (numbered siblings such as d3dx9_24.dll
    // and d3dx9_25.dll, or near-copies found by content) together: apart, each block would
    // hold one whole copy of what they share.
    size_t familySize = 48u << 20;
    unsigned threads = 0;  // 0: one per core
};

// Writes `files` as a solid package (package_format.h) at `outputPath`, which keeps what it
// held unless the whole package is written. Files are ordered so that alike ones sit
// together (solid_order.h), cut into blocks that are compressed on every core, machine
// code through a branch filter where that makes it smaller. Each file's execute
// permission is recorded.
bool writeSolidPackage(std::vector<SolidFile> files, const std::string& outputPath,
                       const SolidWriteOptions& options, std::string* error);

}  // namespace tamlo
