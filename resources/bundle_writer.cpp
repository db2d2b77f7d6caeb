#include "resources/bundle_writer.h"

#include <fcntl.h>
#include <lzma.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

#include "resources/bundle.h"
#include "resources/bundle_format.h"
#include "resources/package_format.h"

namespace tamlo {

namespace {

constexpr size_t kCopyPieceSize = 1 << 20;

void setError(std::string* error, std::string text) {
    if (error != nullptr) {
        *error = std::move(text);
    }
}

// Writes to a temporary file beside the destination and renames it into place, so a
// failed build never leaves a half-written installer under the final name.
class OutputFile {
  public:
    ~OutputFile() {
        if (fd_ >= 0) {
            ::close(fd_);
            ::unlink(temporary_.c_str());
        }
    }

    bool create(const std::string& path, std::string* error) {
        path_ = path;
        temporary_ = path + ".XXXXXX";
        fd_ = mkstemp(temporary_.data());
        if (fd_ < 0) {
            setError(error, "cannot create " + path + ": " + std::strerror(errno));
            return false;
        }
        return true;
    }

    bool write(const uint8_t* data, size_t size, std::string* error) {
        while (size > 0) {
            ssize_t done = ::write(fd_, data, size);
            if (done < 0 && errno == EINTR) {
                continue;
            }
            if (done <= 0) {
                setError(error, "cannot write " + path_ + ": " + std::strerror(errno));
                return false;
            }
            data += done;
            size -= static_cast<size_t>(done);
            offset_ += static_cast<uint64_t>(done);
        }
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
        bool ok = fchmod(fd_, 0755) == 0;
        ok = ::close(fd_) == 0 && ok;
        fd_ = -1;
        if (!ok || rename(temporary_.c_str(), path_.c_str()) != 0) {
            setError(error, "cannot write " + path_ + ": " + std::strerror(errno));
            ::unlink(temporary_.c_str());
            return false;
        }
        return true;
    }

    uint64_t offset() const { return offset_; }

  private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
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

// Copies a whole file, returning its length and CRC.
bool copyFile(const std::string& path, OutputFile& out, uint64_t* size, uint32_t* crc,
              std::string* error) {
    InputFile in(path);
    if (in.file == nullptr) {
        setError(error, "cannot read " + path + ": " + std::strerror(errno));
        return false;
    }
    std::unique_ptr<uint8_t[]> piece(new uint8_t[kCopyPieceSize]);
    *size = 0;
    *crc = 0;
    for (;;) {
        size_t got = std::fread(piece.get(), 1, kCopyPieceSize, in.file);
        if (got == 0) {
            break;
        }
        *crc = lzma_crc32(piece.get(), got, *crc);
        *size += got;
        if (!out.write(piece.get(), got, error)) {
            return false;
        }
    }
    if (std::ferror(in.file)) {
        setError(error, "cannot read " + path);
        return false;
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
    if (!copyFile(programPath, out, &programSize, &programCrc, error) || !out.align(error)) {
        return false;
    }

    std::vector<uint8_t> table;
    for (const BundleInput& file : files) {
        const uint64_t offset = out.offset();
        uint64_t size = 0;
        uint32_t crc = 0;
        if (!copyFile(file.sourcePath, out, &size, &crc, error)) {
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
