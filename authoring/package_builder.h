#pragma once

#include <string>
#include <utility>
#include <vector>

#include "authoring/package_writer.h"
#include "authoring/solid_package_writer.h"

namespace tamlo {

struct PackageBuildOptions {
    PackageWriteOptions write;
    // Entries whose relative path matches one of these globs (fnmatch, letter case
    // ignored, '*' crosses '/') are stored, not compressed.
    std::vector<std::string> storeGlobs;
    // The solid layout instead of one stream per entry (store globs do not apply).
    bool solid = false;
    SolidWriteOptions solidOptions;
    // For installers: program.lz solid, frame.lz and style.lz per entry.
    bool solidPayload = true;
    // Files packed beside the folder's: {entry name, source file}, after them. An
    // installer's uninstaller travels this way; a folder file of the same name gives way.
    std::vector<std::pair<std::string, std::string>> extraEntries;
};

// The regular files below `directory` as '/'-separated relative paths, sorted byte-wise.
// Symbolic links (to files or folders) are not followed: following one could pull in
// files from anywhere. They and other special files go to `skipped` (when given) with
// what they are, so a caller can say so. False (with a reason) when the folder cannot be
// walked or a name cannot become an entry name.
bool listPackageSources(const std::string& directory, std::vector<std::string>* relativePaths,
                        std::string* error, std::vector<std::string>* skipped = nullptr);

// Packs every regular file below `directory` into the package `outputPath`. The same
// input gives the same bytes. `skipped` as for listPackageSources.
bool buildPackageFromDirectory(const std::string& directory, const std::string& outputPath,
                               const PackageBuildOptions& options, std::string* error,
                               std::vector<std::string>* skipped = nullptr);

// Globs of image formats that are compressed already.
const std::vector<std::string>& imageStoreGlobs();

}  // namespace tamlo
