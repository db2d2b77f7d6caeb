#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "resources/block_decoder_pool.h"
#include "resources/file_system.h"
#include "resources/package_reader.h"

namespace tamlo {

// The payload package of one worker and the files written from it. The package is lent
// by the file system when it can be (pages already written out are given back), else
// copied; a solid one is decoded by a pool of block decoders ahead of the writes.
class PayloadExtractor {
  public:
    PayloadExtractor(FileSystem* files, const std::u16string& name);
    ~PayloadExtractor();
    PayloadExtractor(const PayloadExtractor&) = delete;
    PayloadExtractor& operator=(const PayloadExtractor&) = delete;

    bool readable() const { return reader_ != nullptr && !reader_->damaged(); }
    // Null unless readable().
    const PackageReader* reader() const { return readable() ? reader_.get() : nullptr; }

    // Writes the entry (backslashes in its name read as '/') to `path`. The path gets the
    // whole entry, checked against its digest when the package keeps one, or keeps what
    // it held: a missing entry, a damaged block or a failed write leave it alone. An entry
    // recorded executable gets `executableMode` (-1: the usual mode).
    bool extract(std::u16string entryName, const std::u16string& path, int executableMode);
    // Files made at their path are closed off the calling thread where closing is slow
    // (files::ReplacingFile::commitClosingLater): for a caller that waits for them with
    // files::finishClosingFiles() before anything may touch them.
    void closeFilesLater() { closeFilesLater_ = true; }

  private:
    bool streamPerEntry(const PackageEntry& entry, const ChunkSink& sink, std::string* error);
    bool writeChecked(const std::string& name, const PackageEntry& entry, const uint8_t* bytes,
                      const std::string& target, int mode);

    FileSystem* files_;
    const uint8_t* bytes_ = nullptr;
    uint8_t* copy_ = nullptr;
    std::unique_ptr<PackageReader> reader_;
    std::unique_ptr<BlockDecoderPool> pool_;
    bool closeFilesLater_ = false;
};

}  // namespace tamlo
