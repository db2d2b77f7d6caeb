#pragma once

#include <vector>

#include "resources/package_reader.h"
#include "resources/sha256.h"

namespace tamlo {

// The SHA-256 of every entry that the package writer leaves after the directory, in
// directory order. False when the package carries none, or a block that does not match
// its directory (a package from another writer, or damage there).
bool readEntryDigests(const PackageReader& reader, std::vector<Sha256Digest>* digests);

}  // namespace tamlo
