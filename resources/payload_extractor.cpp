#include "resources/payload_extractor.h"

#include <algorithm>

#include "platform/debug_sink.h"
#include "platform/os/file_operations.h"
#include "platform/text_encoding.h"
#include "resources/change_journal.h"
#include "resources/package_digests.h"
#include "resources/sha256.h"

namespace tamlo {

namespace {

// Lent payload pages are given back behind the decoder once this much is past.
constexpr size_t kReleaseStep = 8u << 20;

}  // namespace

PayloadExtractor::PayloadExtractor(FileSystem* files, const std::u16string& name) : files_(files) {
    if (files_ == nullptr) {
        return;
    }
    size_t size = 0;
    const uint8_t* bytes = files_->lend(name, size);
    if (bytes == nullptr) {
        int length = 0;
        copy_ = files_->read(name, length);
        bytes = copy_;
        size = copy_ != nullptr ? static_cast<size_t>(length) : 0;
    }
    if (bytes != nullptr) {
        bytes_ = bytes;
        reader_ = std::make_unique<PackageReader>(bytes, size);
        if (reader_->solid()) {
            pool_ = std::make_unique<BlockDecoderPool>(*reader_);
            // Every entry is checked against its SHA-256 before its file takes its place.
            pool_->skipBlockChecks();
            if (copy_ == nullptr) {
                // A decoded block's stored pages are given back; a later read faults them in.
                pool_->onBlockRead([this](size_t index) {
                    const PackageReader::SolidBlock& block = reader_->blocks()[index];
                    files_->releaseLent(bytes_, block.offset, block.storedSize);
                });
            }
        }
    }
}

PayloadExtractor::~PayloadExtractor() {
    pool_.reset();
    reader_.reset();
    if (copy_ != nullptr) {
        files_->free(copy_);
    }
}

bool PayloadExtractor::streamPerEntry(const PackageEntry& entry, const ChunkSink& sink,
                                      std::string* error) {
    const size_t blockStart = entry.dataOffset;
    const uint64_t unpacked = entry.size();
    uint64_t written = 0;
    size_t released = 0;
    auto forward = [&](const uint8_t* data, size_t size) {
        if (!sink(data, size)) {
            return false;
        }
        written += size;
        // The decoder has read about this share of the block; what lies well behind it
        // is not read again.
        const auto consumed = static_cast<size_t>(
            unpacked == 0 ? 0 : entry.storedSize * (written / static_cast<double>(unpacked)));
        if (copy_ == nullptr && consumed > released + 2 * kReleaseStep) {
            const size_t upTo = consumed - kReleaseStep;
            files_->releaseLent(bytes_, blockStart + released, upTo - released);
            released = upTo;
        }
        return true;
    };
    const bool decoded = reader_->extractTo(entry, forward, error);
    if (copy_ == nullptr) {
        files_->releaseLent(bytes_, blockStart, entry.storedSize);
    }
    return decoded;
}

bool PayloadExtractor::writeChecked(const std::string& name, const PackageEntry& entry,
                                    const uint8_t* bytes, const std::string& target, int mode) {
    // Checked whole before anything is written, the file can be made at its place at once.
    EntryDigestCheck check(*reader_, entry);
    check.update(bytes, entry.size());
    if (!check.matches()) {
        debugOutput("extractFile: " + name + ": does not match its SHA-256: damaged");
        return false;
    }
    // The journal records the file before it is there.
    if (!journal::noteFileWrite(target)) {
        return false;
    }
    files::ReplacingFile output;
    if (!output.openForCheckedBytes(target, mode) || !output.write(bytes, entry.size()) ||
        !(closeFilesLater_ ? output.commitClosingLater() : output.commit())) {
        return false;
    }
    std::string digest;
    if (journal::recording()) {
        Sha256 written;
        written.update(bytes, entry.size());
        digest = toHex(written.finish());
    }
    journal::noteFileWritten(target, digest);
    return true;
}

bool PayloadExtractor::extract(std::u16string entryName, const std::u16string& path,
                               int executableMode) {
    std::replace(entryName.begin(), entryName.end(), u'\\', u'/');
    const PackageEntry* entry = readable() ? reader_->find(entryName) : nullptr;
    if (entry == nullptr) {
        return false;  // the path is left alone
    }
    const int mode = entry->executable ? executableMode : -1;
    const std::string target = files::normalizeSeparators(utf16ToUtf8(path));
    std::shared_ptr<const BlockDecoderPool::Decoded> held;
    const uint8_t* bytes = nullptr;
    std::string error;
    if (entry->solid() && !pool_->viewEntry(*entry, &held, &bytes, &error)) {
        debugOutput("extractFile: " + utf16ToUtf8(entryName) + ": " + error);
        return false;
    }
    if (bytes != nullptr) {
        return writeChecked(utf16ToUtf8(entryName), *entry, bytes, target, mode);
    }
    files::ReplacingFile output;
    if (!output.open(target, mode)) {
        return false;
    }
    EntryDigestCheck check(*reader_, *entry);
    // An open journal records the file's digest: taken here, the file is not read again.
    const bool journalled = journal::recording();
    Sha256 written;
    auto sink = [&](const uint8_t* data, size_t size) {
        check.update(data, size);
        if (journalled) {
            written.update(data, size);
        }
        return output.write(data, size);
    };
    const bool decoded = entry->solid() ? pool_->readEntry(*entry, sink, &error)
                                        : streamPerEntry(*entry, sink, &error);
    if (!decoded || !check.matches()) {
        debugOutput("extractFile: " + utf16ToUtf8(entryName) + ": " +
                    (decoded ? std::string("does not match its SHA-256: damaged") : error));
        return false;  // the writer removes what it wrote
    }
    // The journal records the file before it takes its place.
    if (!journal::noteFileWrite(target) || !output.commit()) {
        return false;
    }
    journal::noteFileWritten(target, journalled ? toHex(written.finish()) : std::string());
    return true;
}

}  // namespace tamlo
