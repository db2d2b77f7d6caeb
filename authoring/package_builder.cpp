#include "authoring/package_builder.h"
#include "platform/os/glob_match.h"

#include <algorithm>
#include <filesystem>

#include "platform/text_encoding.h"
#include "resources/error_text.h"
#include "resources/package_format.h"

namespace tamlo {

namespace fs = std::filesystem;

namespace {

bool matchesAny(const std::vector<std::string>& globs, const std::string& path) {
    for (const std::string& glob : globs) {
        if (platform::globMatches(glob, path)) {
            return true;
        }
    }
    return false;
}

}  // namespace

const std::vector<std::string>& imageStoreGlobs() {
    static const std::vector<std::string> globs = {"*.png", "*.jpg",  "*.jpeg", "*.gif",
                                                   "*.bmp", "*.webp", "*.ico"};
    return globs;
}

bool listPackageSources(const std::string& directory, std::vector<std::string>* relativePaths,
                        std::string* error, std::vector<std::string>* skipped) {
    relativePaths->clear();
    if (skipped != nullptr) {
        skipped->clear();
    }
    std::error_code failure;
    if (!fs::is_directory(directory, failure)) {
        setError(error, directory + " is not a folder");
        return false;
    }
    fs::recursive_directory_iterator walk(directory, failure);
    for (; !failure && walk != fs::recursive_directory_iterator(); walk.increment(failure)) {
        // Links are skipped: following them could pull in files from anywhere.
        fs::file_status status = walk->symlink_status(failure);
        if (failure) {
            break;
        }
        if (fs::is_directory(status)) {
            continue;
        }
        std::string relative = walk->path().lexically_relative(directory).generic_string();
        if (!fs::is_regular_file(status)) {
            if (skipped != nullptr) {
                skipped->push_back(relative + (fs::is_symlink(status)
                                                   ? " (a symbolic link; links are not followed)"
                                                   : " (not a regular file)"));
            }
            continue;
        }
        if (relative.find('\\') != std::string::npos) {
            setError(error, "the file name " + relative +
                                " contains a backslash, which scripts read as a separator");
            return false;
        }
        if (utf16ToUtf8(utf8ToUtf16(relative)) != relative) {
            setError(error, "the file name " + relative + " is not valid UTF-8");
            return false;
        }
        if (utf8ToUtf16(relative).size() > package::kMaxNameUnits) {
            setError(error, "the file name " + relative + " is too long for a package");
            return false;
        }
        relativePaths->push_back(std::move(relative));
    }
    if (failure) {
        setError(error, "cannot walk " + directory + ": " + failure.message());
        return false;
    }
    std::sort(relativePaths->begin(), relativePaths->end());
    if (skipped != nullptr) {
        std::sort(skipped->begin(), skipped->end());
    }
    return true;
}

bool buildPackageFromDirectory(const std::string& directory, const std::string& outputPath,
                               const PackageBuildOptions& options, std::string* error,
                               std::vector<std::string>* skipped) {
    std::vector<std::string> paths;
    if (!listPackageSources(directory, &paths, error, skipped)) {
        return false;
    }
    // A package written into the folder it packs must not pack (an older) itself.
    std::error_code failure;
    const fs::path output = fs::weakly_canonical(outputPath, failure);
    paths.erase(std::remove_if(paths.begin(), paths.end(),
                               [&](const std::string& relative) {
                                   std::error_code ignored;
                                   return !failure &&
                                          fs::weakly_canonical(directory + "/" + relative,
                                                               ignored) == output;
                               }),
                paths.end());
    std::vector<std::pair<std::string, std::string>> entries;
    for (const std::string& relative : paths) {
        const bool replaced =
            std::any_of(options.extraEntries.begin(), options.extraEntries.end(),
                        [&relative](const auto& extra) { return extra.first == relative; });
        if (!replaced) {
            entries.emplace_back(relative, directory + "/" + relative);
        }
    }
    entries.insert(entries.end(), options.extraEntries.begin(), options.extraEntries.end());
    if (options.solid) {
        std::vector<SolidFile> files;
        for (const auto& [name, source] : entries) {
            files.push_back({utf8ToUtf16(name), source});
        }
        return writeSolidPackage(std::move(files), outputPath, options.solidOptions, error);
    }
    PackageWriter writer(options.write);
    if (!writer.open(outputPath, error)) {
        return false;
    }
    for (const auto& [name, source] : entries) {
        std::string entryError;
        bool store = matchesAny(options.storeGlobs, name);
        if (!writer.addFile(utf8ToUtf16(name), source, store, &entryError)) {
            setError(error, name + ": " + entryError);
            return false;
        }
    }
    return writer.finish(error);
}

}  // namespace tamlo
