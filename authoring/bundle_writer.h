#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tamlo {

struct BundleInput {
    int32_t id;              // one of the five embedded file ids
    std::string sourcePath;  // the file whose bytes are embedded
    uint32_t flags = 0;      // bundle::kUninstallerFlag on the payload of an uninstaller
};

// Writes `programPath`'s bytes followed by the files, their table and the footer to
// `outputPath` (mode 0755), through a temporary file renamed into place. The files are
// copied in pieces; memory does not grow with their size.
bool writeBundle(const std::string& programPath, const std::vector<BundleInput>& files,
                 const std::string& outputPath, std::string* error);

}  // namespace tamlo
