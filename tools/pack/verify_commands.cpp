#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

#include "platform/os/mapped_file.h"
#include "platform/text_encoding.h"
#include "resources/bundle.h"
#include "resources/entry_path.h"
#include "resources/package_digests.h"
#include "resources/package_reader.h"
#include "tools/pack/pack_commands.h"
#include "tools/pack/signature.h"

namespace tamlo::pack {

namespace {

struct Tally {
    size_t entries = 0;
    size_t unextractable = 0;
    bool digests = true;  // every package checked carried its digests
};

// Gives back the pages of [offset, offset + size) of the package once read.
using PageRelease = std::function<void(uint32_t offset, uint32_t size)>;

// Decodes every entry of one package, checking it against its SHA-256 when the package
// carries them, and warns (without failing) about names extraction would refuse.
bool verifyEntries(const PackageReader& reader, const std::string& label,
                   const PageRelease& release, Tally* tally, std::string* error) {
    std::vector<Sha256Digest> digests;
    const bool checked = readEntryDigests(reader, &digests);
    tally->digests = tally->digests && checked;
    const std::vector<PackageEntry>& entries = reader.entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        const PackageEntry& entry = entries[i];
        const std::string name = utf16ToUtf8(entry.name);
        Sha256 hash;
        auto sink = [&hash](const uint8_t* data, size_t size) {
            hash.update(data, size);
            return true;
        };
        std::string problem;
        const bool decoded = reader.extractTo(entry, sink, &problem);
        release(entry.dataOffset, entry.storedSize);
        if (!decoded) {
            *error = label + ": entry \"" + name + "\": " + problem;
            return false;
        }
        if (checked && hash.finish() != digests[i]) {
            *error = label + ": entry \"" + name + "\" does not match its SHA-256: damaged";
            return false;
        }
        std::vector<std::string> segments;
        std::string reason;
        if (!splitSafeEntryPath(entry.name, &segments, &reason)) {
            std::fprintf(stderr,
                         "tamlo-pack verify: warning: %s: entry \"%s\" cannot be extracted: %s\n",
                         label.c_str(), name.c_str(), reason.c_str());
            ++tally->unextractable;
        }
    }
    tally->entries += entries.size();
    return true;
}

bool isWindowsProgram(const std::string& path) {
    platform::MappedFile file;
    std::string ignored;
    return file.open(path, &ignored) && file.size() >= 2 && file.data()[0] == 'M' &&
           file.data()[1] == 'Z';
}

std::string summary(const Tally& tally) {
    std::string text = std::to_string(tally.entries) + " entries, all sound";
    text += tally.digests ? ", SHA-256 checked" : ", no SHA-256 to check";
    if (tally.unextractable > 0) {
        text += "; " + std::to_string(tally.unextractable) + " cannot be extracted";
    }
    return text;
}

int verifyPackage(const std::string& path, std::string* error) {
    platform::MappedFile file;
    if (!file.open(path, error)) {
        return kFailure;
    }
    file.adviseSequential();
    PackageReader reader(file.data(), file.size());
    if (reader.damaged()) {
        *error = path + " is damaged: " + reader.problem();
        return kFailure;
    }
    Tally tally;
    auto release = [&file](uint32_t offset, uint32_t size) { file.dropPages(offset, size); };
    if (!verifyEntries(reader, path, release, &tally, error)) {
        return kFailure;
    }
    std::printf("%s: %s\n", path.c_str(), summary(tally).c_str());
    return kSuccess;
}

// The bundle's files against their CRC and SHA-256, then every package entry decoded.
int verifyInstaller(const std::string& path, const Bundle& bundle, std::string* error) {
    for (const EmbeddedFileName& file : kEmbeddedFiles) {
        if (bundle.find(file.id) == nullptr) {
            *error = path + " lacks the embedded file " + utf16ToUtf8(file.name);
            return kFailure;
        }
    }
    std::string why;
    if (!bundle.verifyAll(&why)) {
        *error = path + ": " + why;
        return kFailure;
    }
    Tally tally;
    size_t packages = 0;
    for (const BundleFileInfo& file : bundle.files()) {
        if (file.name.size() < 3 || file.name.compare(file.name.size() - 3, 3, u".lz") != 0) {
            continue;
        }
        uint32_t size = 0;
        const uint8_t* bytes = bundle.data(file.id, &size);
        const std::string label = path + ":" + utf16ToUtf8(file.name);
        PackageReader reader(bytes, size);
        if (reader.damaged()) {
            *error = label + " is damaged: " + reader.problem();
            return kFailure;
        }
        auto release = [&](uint32_t offset, uint32_t length) {
            if (offset <= size) {
                bundle.releasePages(bytes + offset, std::min<size_t>(length, size - offset));
            }
        };
        if (!verifyEntries(reader, label, release, &tally, error)) {
            return kFailure;
        }
        ++packages;
    }
    std::printf("%s: %zu embedded files, %zu packages, %s\n", path.c_str(), bundle.files().size(),
                packages, summary(tally).c_str());
    return kSuccess;
}

}  // namespace

int runVerify(const std::vector<std::string>& args, std::string* error) {
    // PKG|INSTALLER [--ca FILE]: --ca trusts one more root for the signature.
    std::string path, caFile;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--ca" && i + 1 < args.size() && caFile.empty()) {
            caFile = args[++i];
        } else if (path.empty() && !args[i].empty() && args[i][0] != '-') {
            path = args[i];
        } else {
            path.clear();
            break;
        }
    }
    if (path.empty()) {
        *error = "usage: verify PKG|INSTALLER [--ca FILE]";
        return kUsage;
    }
    std::string why;
    std::unique_ptr<Bundle> bundle = Bundle::open(path, &why);
    // A Windows program's signature is reported beside the bundle's verdict; either
    // failing fails the check.
    SignatureReport signature;
    const bool windowsProgram = isWindowsProgram(path);
    if (windowsProgram) {
        signature = checkSignature(path, caFile);
        std::printf("%s: signature: %s\n", path.c_str(), describe(signature).c_str());
    }
    const bool signatureBad = signature.present && (!signature.checked || !signature.valid);
    if (bundle != nullptr) {
        const int status = verifyInstaller(path, *bundle, error);
        if (status == kSuccess && signatureBad) {
            *error = path + ": the signature is not valid";
            return kFailure;
        }
        return status;
    }
    if (windowsProgram) {
        *error = path + ": " + why;
        return kFailure;
    }
    // Only a file with no bundle footer at all is taken for a package.
    if (why.rfind("no embedded files", 0) != 0) {
        *error = path + ": " + why;
        return kFailure;
    }
    return verifyPackage(path, error);
}

}  // namespace tamlo::pack
