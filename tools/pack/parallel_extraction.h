#pragma once

#include <string>
#include <vector>

#include "platform/os/contained_folder.h"
#include "platform/os/mapped_file.h"
#include "resources/package_reader.h"

namespace tamlo::pack {

// One entry to write, and its path below the output folder, segment by segment.
struct ExtractionItem {
    const PackageEntry* entry = nullptr;
    std::vector<std::string> target;
};

// Writes `items` below `output` on every core. A solid block is one piece of work: a thread
// decodes it (a large one front to back) and writes the files wholly inside it, so the
// files' creation is spread over the cores as well as the decoding. Per-entry records are
// shared out one by one; entries running over several blocks are written last, in order.
// Each file takes its place only once whole and matching its SHA-256. False, with the
// reason of the first failing item in `items`' order, when any fails: no new work starts
// once one has failed, and what was written stays.
bool extractInParallel(const PackageReader& reader, const platform::MappedFile& file,
                       const std::vector<ExtractionItem>& items, files::ContainedFolder& output,
                       std::string* error);

}  // namespace tamlo::pack
