#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "resources/lzma_codec.h"
#include "resources/sha256.h"

namespace tamlo {

namespace files {
class ReplacingFile;
}

struct PackageWriteOptions {
    lzma::Properties properties;  // lc 3, lp 0, pb 2, 8 MiB dictionary
    uint32_t preset = 6;          // encoder effort 0..9
};

// Writes a package file entry by entry: data blocks as they come, then the scrambled
// directory, the entry table (package_format.h: SHA-256 digests over names, sizes and
// data, and the execute permissions; readers of entries ignore it) and the trailer on
// finish(). A file's execute permission is read from the file. Entries are compressed unless asked
// to be stored; a compressed form that is not smaller than the data is replaced by the data.
// Sources are read in pieces, so memory does not grow with entry sizes.
class PackageWriter {
  public:
    explicit PackageWriter(PackageWriteOptions options = {});
    ~PackageWriter();
    PackageWriter(const PackageWriter&) = delete;
    PackageWriter& operator=(const PackageWriter&) = delete;

    bool open(const std::string& path, std::string* error);
    bool addFile(const std::u16string& name, const std::string& sourcePath, bool store,
                 std::string* error);
    bool addBuffer(const std::u16string& name, const uint8_t* data, size_t size, bool store,
                   std::string* error, bool executable = false);
    // Writes the directory and trailer and closes the file.
    bool finish(std::string* error);

    // Where an entry's bytes are read from (defined with the writer).
    class Source;

  private:
    struct Record {
        std::u16string name;
        uint32_t dataOffset;
        uint32_t storedSize;
        uint32_t unpackedSize;
        Sha256Digest digest{};
        bool executable = false;
    };
    bool addSource(const std::u16string& name, uint64_t size, bool store, bool executable,
                   Source& source, std::string* error);
    bool checkName(const std::u16string& name, std::string* error) const;
    bool writeBytes(const uint8_t* data, size_t size, std::string* error);
    bool position(uint64_t* offset, std::string* error);

    PackageWriteOptions options_;
    // The new package replaces the file at the path only once finished.
    std::unique_ptr<files::ReplacingFile> file_;
    std::string path_;
    std::vector<Record> records_;
};

}  // namespace tamlo
