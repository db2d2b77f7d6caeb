#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>

#include "authoring/package_builder.h"
#include "platform/os/contained_folder.h"
#include "platform/os/mapped_file.h"
#include "platform/text_encoding.h"
#include "resources/entry_path.h"
#include "resources/package_reader.h"
#include "tools/pack/pack_commands.h"
#include "tools/pack/parallel_extraction.h"

namespace tamlo::pack {

using platform::MappedFile;

namespace {

// Largest dictionary the LZMA1 encoder accepts, in MiB.
constexpr long kMaxDictionaryMiB = 1536;

int usage(std::string* error, const char* text) {
    *error = text;
    return kUsage;
}

// Opens a package and checks its directory; the mapping must outlive the reader.
bool openPackage(const std::string& path, MappedFile* file, std::unique_ptr<PackageReader>* reader,
                 std::string* error) {
    if (!file->open(path, error)) {
        return false;
    }
    file->adviseSequential();  // entries are decoded front to back
    *reader = std::make_unique<PackageReader>(file->data(), file->size());
    if ((*reader)->damaged()) {
        *error = path + " is damaged: " + (*reader)->problem();
        return false;
    }
    return true;
}

}  // namespace

bool parseBlockSize(const std::string& value, size_t* bytes, std::string* error) {
    char* end = nullptr;
    const long mib = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || mib < 1 || mib > 64) {
        *error = "--block takes a whole number of MiB from 1 to 64";
        return false;
    }
    *bytes = static_cast<size_t>(mib) << 20;
    return true;
}

int runCreate(const std::vector<std::string>& args, std::string* error) {
    PackageBuildOptions options;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--solid") {
            options.solid = true;
        } else if (args[i] == "--store" || args[i] == "--dict" || args[i] == "--block") {
            if (i + 1 == args.size()) {
                return usage(error, "an option needs a value");
            }
            const std::string& value = args[++i];
            if (args[i - 1] == "--store") {
                options.storeGlobs.push_back(value);
                continue;
            }
            if (args[i - 1] == "--block") {
                if (!parseBlockSize(value, &options.solidOptions.blockSize, error)) {
                    return kUsage;
                }
                continue;
            }
            char* end = nullptr;
            long mib = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || mib < 1 || mib > kMaxDictionaryMiB) {
                return usage(error, "--dict takes a whole number of MiB from 1 to 1536");
            }
            options.write.properties.dictionarySize = static_cast<uint32_t>(mib) << 20;
        } else if (!args[i].empty() && args[i][0] == '-') {
            *error = "unknown option " + args[i];
            return kUsage;
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 2) {
        return usage(
            error,
            "usage: create OUT.lz DIR [--store GLOB]... [--dict MiB] [--solid [--block MiB]]");
    }
    std::vector<std::string> skipped;
    if (!buildPackageFromDirectory(positional[1], positional[0], options, error, &skipped)) {
        return kFailure;
    }
    for (const std::string& file : skipped) {
        std::fprintf(stderr, "tamlo-pack create: warning: skipped %s\n", file.c_str());
    }
    return kSuccess;
}

int runList(const std::vector<std::string>& args, std::string* error) {
    if (args.size() != 1) {
        return usage(error, "usage: list PKG");
    }
    MappedFile file;
    std::unique_ptr<PackageReader> reader;
    if (!openPackage(args[0], &file, &reader, error)) {
        return kFailure;
    }
    for (const PackageEntry& entry : reader->entries()) {
        const char* form = entry.solid() ? "solid" : entry.compressed() ? "lzma" : "stored";
        std::printf("%s\t%u\t%u\t%s\n", printableEntryName(entry.name).c_str(), entry.storedSize,
                    entry.size(), form);
    }
    return kSuccess;
}

int runExtract(const std::vector<std::string>& args, std::string* error) {
    std::string packagePath;
    std::string directory;
    std::vector<std::string> names;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-C") {
            if (i + 1 == args.size()) {
                return usage(error, "-C needs a folder");
            }
            directory = args[++i];
        } else if (packagePath.empty()) {
            packagePath = args[i];
        } else {
            names.push_back(args[i]);
        }
    }
    if (packagePath.empty() || directory.empty()) {
        return usage(error, "usage: extract PKG -C DIR [NAME]...");
    }
    MappedFile file;
    std::unique_ptr<PackageReader> reader;
    if (!openPackage(packagePath, &file, &reader, error)) {
        return kFailure;
    }

    // The entries to write: those named, or every name once (the record that wins).
    std::vector<const PackageEntry*> chosen;
    if (names.empty()) {
        for (const PackageEntry& entry : reader->entries()) {
            if (reader->isIndexed(entry)) {
                chosen.push_back(&entry);
            }
        }
    } else {
        for (const std::string& name : names) {
            const PackageEntry* entry = reader->find(utf8ToUtf16(name));
            if (entry == nullptr) {
                *error = "no entry named " + name;
                return kFailure;
            }
            chosen.push_back(entry);
        }
    }
    // Check every name before writing anything.
    std::vector<ExtractionItem> items;
    for (const PackageEntry* entry : chosen) {
        ExtractionItem item{entry, {}};
        std::string reason;
        if (!splitSafeEntryPath(entry->name, &item.target, &reason)) {
            *error = "refusing the entry \"" + printableEntryName(entry->name) + "\": " + reason;
            return kFailure;
        }
        items.push_back(std::move(item));
    }
    files::ContainedFolder output;
    if (!output.openRoot(directory, error) ||
        !extractInParallel(*reader, file, items, output, error)) {
        return kFailure;
    }
    return kSuccess;
}

}  // namespace tamlo::pack
