#include "authoring/bundle_writer.h"

#include <lzma.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

#include "platform/os/file_operations.h"
#include "resources/bundle.h"
#include "resources/bundle_format.h"
#include "resources/error_text.h"
#include "resources/package_format.h"
#include "resources/sha256.h"

namespace tamlo {

namespace {

constexpr size_t kCopyPieceSize = 1 << 20;

// The new installer is written beside the destination and put in its place once whole,
// so a failed build never leaves a half-written installer under the final name.
class OutputFile {
  public:
    bool create(const std::string& path, std::string* error) {
        path_ = path;
        if (!file_.open(path, 0755)) {
            setError(error, "cannot create " + path + ": " + std::strerror(errno));
            return false;
        }
        return true;
    }

    bool write(const uint8_t* data, size_t size, std::string* error) {
        if (!file_.write(data, size)) {
            setError(error, "cannot write " + path_ + ": " + std::strerror(errno));
            return false;
        }
        offset_ += size;
        return true;
    }

    bool zeros(size_t count, std::string* error) {
        static const uint8_t kZeros[16] = {};
        while (count > 0) {
            size_t piece = count < sizeof kZeros ? count : sizeof kZeros;
            if (!write(kZeros, piece, error)) {
                return false;
            }
            count -= piece;
        }
        return true;
    }

    // Zero bytes up to the next multiple of 8.
    bool align(std::string* error) { return zeros((8 - offset_ % 8) % 8, error); }

    bool commit(std::string* error) {
        if (!file_.commit()) {
            setError(error, "cannot write " + path_ + ": " + std::strerror(errno));
            return false;
        }
        return true;
    }

    uint64_t offset() const { return offset_; }

  private:
    files::ReplacingFile file_;
    std::string path_;
    uint64_t offset_ = 0;
};

struct InputFile {
    explicit InputFile(const std::string& path) : file(std::fopen(path.c_str(), "rb")) {}
    ~InputFile() {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
    std::FILE* file;
};

// Copies a whole file, returning its length, CRC and (when asked) SHA-256.
bool copyFile(const std::string& path, OutputFile& out, uint64_t* size, uint32_t* crc,
              Sha256Digest* digest, std::string* error) {
    InputFile in(path);
    if (in.file == nullptr) {
        setError(error, "cannot read " + path + ": " + std::strerror(errno));
        return false;
    }
    std::unique_ptr<uint8_t[]> piece(new uint8_t[kCopyPieceSize]);
    *size = 0;
    *crc = 0;
    Sha256 hash;
    for (;;) {
        size_t got = std::fread(piece.get(), 1, kCopyPieceSize, in.file);
        if (got == 0) {
            break;
        }
        *crc = lzma_crc32(piece.get(), got, *crc);
        if (digest != nullptr) {
            hash.update(piece.get(), got);
        }
        *size += got;
        if (!out.write(piece.get(), got, error)) {
            return false;
        }
    }
    if (std::ferror(in.file)) {
        setError(error, "cannot read " + path);
        return false;
    }
    if (digest != nullptr) {
        *digest = hash.finish();
    }
    return true;
}

}  // namespace

bool writeBundle(const std::string& programPath, const std::vector<BundleInput>& files,
                 const std::string& outputPath, std::string* error) {
    std::set<int32_t> seen;
    for (const BundleInput& file : files) {
        if (embeddedFileName(file.id) == nullptr || !seen.insert(file.id).second) {
            setError(error,
                     "embedded file id " + std::to_string(file.id) + " is unknown or given twice");
            return false;
        }
    }
    OutputFile out;
    if (!out.create(outputPath, error)) {
        return false;
    }
    uint64_t programSize = 0;
    uint32_t programCrc = 0;
    if (!copyFile(programPath, out, &programSize, &programCrc, nullptr, error) ||
        !out.align(error)) {
        return false;
    }

    std::vector<uint8_t> table;
    for (const BundleInput& file : files) {
        const uint64_t offset = out.offset();
        uint64_t size = 0;
        uint32_t crc = 0;
        Sha256Digest digest{};
        if (!copyFile(file.sourcePath, out, &size, &crc, &digest, error)) {
            return false;
        }
        if (size > UINT32_MAX) {
            setError(error, file.sourcePath + " is larger than 4 GiB");
            return false;
        }
        if (!out.zeros(bundle::kTerminatorSize, error) || !out.align(error)) {
            return false;
        }
        uint8_t record[bundle::kRecordSize] = {};
        package::writeLe32(record, static_cast<uint32_t>(file.id));
        package::writeLe32(record + 4, static_cast<uint32_t>(size));
        package::writeLe64(record + 8, offset);
        package::writeLe32(record + 16, crc);
        package::writeLe32(record + bundle::kFlagsOffset, file.flags);
        std::memcpy(record + bundle::kDigestOffset, digest.data(), digest.size());
        table.insert(table.end(), record, record + sizeof record);
    }

    uint8_t footer[bundle::kFooterSize] = {};
    package::writeLe64(footer, out.offset());
    package::writeLe32(footer + 8, static_cast<uint32_t>(files.size()));
    package::writeLe32(footer + 12, lzma_crc32(table.data(), table.size(), 0));
    std::memcpy(footer + 16, bundle::kMagic, sizeof bundle::kMagic);
    return out.write(table.data(), table.size(), error) &&
           out.write(footer, sizeof footer, error) && out.commit(error);
}

}  // namespace tamlo
