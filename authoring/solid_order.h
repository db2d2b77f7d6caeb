#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "authoring/solid_package_writer.h"
#include "resources/lzma_codec.h"

namespace tamlo {

struct PlannedFile {
    SolidFile file;
    uint64_t size = 0;
    bool executable = false;
    lzma::BranchFilter filter = lzma::BranchFilter::None;
    std::u16string extension;
    // Files of one family (numbered siblings, near-copies) share this number, -1 for none.
    int family = -1;
    // Where its bytes start: set when the files are cut into blocks.
    uint32_t firstBlock = 0;
    uint32_t offset = 0;
};

// Measures `files` and orders them so that alike ones sit together: machine code first,
// then by extension and name; a file derived from another (a compiled cache beside its
// source) right after it; the members of a family next to each other. Files of at least
// `alikeSize` bytes are compared by content to find near-copies whatever their names.
bool planSolidOrder(std::vector<SolidFile>& files, uint64_t alikeSize,
                    std::vector<PlannedFile>* planned, std::string* error);

}  // namespace tamlo
