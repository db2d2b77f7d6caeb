#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

#include "platform/os/mapped_file.h"
#include "platform/text_encoding.h"
#include "resources/block_decoder_pool.h"
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

// The entries whose bytes lie in block `index`, escaped, for the report of a damaged block.
std::string entriesOfBlock(const PackageReader& reader, size_t index) {
    const PackageReader::SolidBlock& block = reader.blocks()[index];
    std::string names;
    for (const PackageEntry& entry : reader.entries()) {
        const uint64_t end = entry.solidStart + entry.size();
        if (entry.size() > 0 && entry.solidStart < block.start + block.unpackedSize &&
            end > block.start) {
            names += (names.empty() ? "\"" : ", \"") + printableEntryName(entry.name) + "\"";
        }
    }
    return names;
}

// Decodes every entry of one package, checking it against its SHA-256 when the package
// carries them, and warns (without failing) about names extraction would refuse.
bool verifyEntries(const PackageReader& reader, const std::string& label,
                   const PageRelease& release, Tally* tally, std::string* error) {
    if (reader.digestTableDamaged()) {
        *error = label + ": the table of entry digests is damaged";
        return false;
    }
    tally->digests = tally->digests && reader.digestKind() != PackageReader::DigestKind::None;
    std::unique_ptr<BlockDecoderPool> pool;
    if (reader.solid()) {
        pool = std::make_unique<BlockDecoderPool>(reader);
    }
    const std::vector<PackageEntry>& entries = reader.entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        const PackageEntry& entry = entries[i];
        const std::string name = printableEntryName(entry.name);
        EntryDigestCheck check(reader, entry);
        auto sink = [&check](const uint8_t* data, size_t size) {
            check.update(data, size);
            return true;
        };
        std::string problem;
        bool decoded = false;
        if (pool != nullptr) {
            decoded = pool->readEntry(entry, sink, &problem);
            if (!decoded) {
                const size_t block = reader.blockAt(entry.solidStart);
                for (size_t b = block; b < reader.blocks().size(); ++b) {
                    if (!pool->acquire(b)->ok) {
                        *error = label + ": block " + std::to_string(b) + " is damaged (" +
                                 problem + "); its entries: " + entriesOfBlock(reader, b);
                        return false;
                    }
                }
            }
        } else {
            decoded = reader.extractTo(entry, sink, &problem);
            release(entry.dataOffset, entry.storedSize);
        }
        if (!decoded) {
            *error = label + ": entry \"" + name + "\": " + problem;
            return false;
        }
        if (!check.matches()) {
            *error = label + ": entry \"" + name +
                     "\" does not match its SHA-256 (name, size or data damaged)";
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
