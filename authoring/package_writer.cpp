#include "authoring/package_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "platform/os/file_operations.h"
#include "resources/error_text.h"
#include "resources/package_digests.h"
#include "resources/package_format.h"

namespace tamlo {

using package::kKey;

namespace {

constexpr size_t kReadPieceSize = 1 << 20;

}  // namespace

// Where an entry's bytes come from: a file or a memory block, read front to back and
// rewound when the entry has to be written a second time (stored after all).
class PackageWriter::Source {
  public:
    virtual ~Source() = default;
    virtual size_t read(uint8_t* buffer, size_t capacity) = 0;
    virtual bool rewind() = 0;
};

namespace {

class FileSource final : public PackageWriter::Source {
  public:
    explicit FileSource(std::FILE* file) : file_(file) {}
    ~FileSource() override { std::fclose(file_); }
    size_t read(uint8_t* buffer, size_t capacity) override {
        return std::fread(buffer, 1, capacity, file_);
    }
    bool rewind() override { return std::fseek(file_, 0, SEEK_SET) == 0; }

  private:
    std::FILE* file_;
};

class MemorySource final : public PackageWriter::Source {
  public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    size_t read(uint8_t* buffer, size_t capacity) override {
        size_t piece = std::min(capacity, size_ - done_);
        if (piece > 0) {
            std::memcpy(buffer, data_ + done_, piece);
        }
        done_ += piece;
        return piece;
    }
    bool rewind() override {
        done_ = 0;
        return true;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t done_ = 0;
};

}  // namespace

PackageWriter::PackageWriter(PackageWriteOptions options) : options_(options) {}

// An unfinished package is discarded with its writer: the path keeps what it held.
PackageWriter::~PackageWriter() = default;

bool PackageWriter::open(const std::string& path, std::string* error) {
    if (file_ != nullptr) {
        setError(error, "a package is being written already");
        return false;
    }
    auto file = std::make_unique<files::ReplacingFile>();
    if (!file->open(path)) {
        setError(error, "cannot create " + path + ": " + std::strerror(errno));
        return false;
    }
    file_ = std::move(file);
    path_ = path;
    records_.clear();
    return true;
}

bool PackageWriter::checkName(const std::u16string& name, std::string* error) const {
    if (file_ == nullptr) {
        setError(error, "no package is open");
        return false;
    }
    if (name.empty() || name.size() > package::kMaxNameUnits ||
        name.find(u'\0') != std::u16string::npos) {
        setError(error, "an entry name must have 1 to " + std::to_string(package::kMaxNameUnits) +
                            " characters and no zero character");
        return false;
    }
    return true;
}

bool PackageWriter::writeBytes(const uint8_t* data, size_t size, std::string* error) {
    if (size > 0 && !file_->write(data, size)) {
        setError(error, "cannot write " + path_ + ": " + std::strerror(errno));
        return false;
    }
    return true;
}

bool PackageWriter::position(uint64_t* offset, std::string* error) {
    uint64_t here = 0;
    if (!file_->position(&here)) {
        setError(error, "cannot write " + path_ + ": " + std::strerror(errno));
        return false;
    }
    // Offsets and sizes in the directory are 32-bit.
    if (here > UINT32_MAX) {
        setError(error, "the package would exceed 4 GiB");
        return false;
    }
    *offset = here;
    return true;
}

bool PackageWriter::addFile(const std::u16string& name, const std::string& sourcePath, bool store,
                            std::string* error) {
    if (!checkName(name, error)) {
        return false;
    }
    std::FILE* file = std::fopen(sourcePath.c_str(), "rb");
    if (file == nullptr) {
        setError(error, "cannot read " + sourcePath + ": " + std::strerror(errno));
        return false;
    }
    FileSource source(file);
    std::error_code failure;
    const bool regular = std::filesystem::is_regular_file(sourcePath, failure);
    const uintmax_t size = regular ? std::filesystem::file_size(sourcePath, failure) : 0;
    if (!regular || failure) {
        setError(error, sourcePath + " is not a regular file");
        return false;
    }
    const auto permissions = std::filesystem::status(sourcePath, failure).permissions();
    const bool executable = !failure && (permissions & std::filesystem::perms::owner_exec) !=
                                            std::filesystem::perms::none;
    return addSource(name, static_cast<uint64_t>(size), store, executable, source, error);
}

bool PackageWriter::addBuffer(const std::u16string& name, const uint8_t* data, size_t size,
                              bool store, std::string* error, bool executable) {
    if (!checkName(name, error)) {
        return false;
    }
    MemorySource source(data, size);
    return addSource(name, size, store, executable, source, error);
}

bool PackageWriter::addSource(const std::u16string& name, uint64_t size, bool store,
                              bool executable, Source& source, std::string* error) {
    uint64_t offset = 0;
    if (!position(&offset, error)) {
        return false;
    }
    if (size > UINT32_MAX - offset) {
        setError(error, "the package would exceed 4 GiB");
        return false;
    }
    std::unique_ptr<uint8_t[]> piece(new uint8_t[kReadPieceSize]);
    Sha256Digest digest{};
    auto readAll = [&](const std::function<bool(const uint8_t*, size_t)>& use) {
        uint64_t total = 0;
        EntryHasher hash(name, size);
        for (;;) {
            size_t got = source.read(piece.get(), kReadPieceSize);
            if (got == 0) {
                digest = hash.finish();
                break;
            }
            hash.update(piece.get(), got);
            total += got;
            if (total > size || !use(piece.get(), got)) {
                return false;
            }
        }
        return total == size;
    };

    // Try compressing; give up as soon as the result is no smaller than the data.
    if (!store && size > package::kLzmaPropertiesSize) {
        // A dictionary past the data's end is never used but costs setting up.
        lzma::Properties chosen = options_.properties;
        chosen.dictionarySize = static_cast<uint32_t>(
            std::max<uint64_t>(4096, std::min<uint64_t>(chosen.dictionarySize, size)));
        uint8_t properties[package::kLzmaPropertiesSize];
        lzma::writeProperties(chosen, properties);
        uint64_t written = sizeof properties;
        bool tooBig = false;
        bool writeFailed = false;
        auto sink = [&](const uint8_t* data, size_t length) {
            if (written + length >= size) {
                tooBig = true;
                return false;
            }
            if (!writeBytes(data, length, error)) {
                writeFailed = true;
                return false;
            }
            written += length;
            return true;
        };
        lzma::Encoder encoder;
        std::string encodeError;
        if (!encoder.start(chosen, options_.preset, error) ||
            !writeBytes(properties, sizeof properties, error)) {
            return false;
        }
        bool readOk = true;
        bool encoded = readAll([&](const uint8_t* data, size_t length) {
            if (!encoder.write(data, length, sink, &encodeError)) {
                return false;
            }
            return true;
        });
        if (encoded) {
            encoded = encoder.finish(sink, &encodeError);
        } else if (!tooBig && !writeFailed && encodeError.empty()) {
            readOk = false;
        }
        if (writeFailed) {
            return false;
        }
        if (!readOk) {
            setError(error, "cannot read the data of an entry (did it change while packing?)");
            return false;
        }
        if (encoded) {
            records_.push_back({name, static_cast<uint32_t>(offset), static_cast<uint32_t>(written),
                                static_cast<uint32_t>(size), digest, executable});
            return true;
        }
        if (!tooBig) {
            setError(error, "compression failed: " + encodeError);
            return false;
        }
        // Not smaller: write the data as it is over the partial attempt, which is shorter.
        if (!file_->seek(offset) || !source.rewind()) {
            setError(error, "cannot rewind while writing " + path_);
            return false;
        }
    }
    if (!readAll(
            [&](const uint8_t* data, size_t length) { return writeBytes(data, length, error); })) {
        if (error != nullptr && error->empty()) {
            *error = "cannot read the data of an entry (did it change while packing?)";
        }
        return false;
    }
    records_.push_back(
        {name, static_cast<uint32_t>(offset), static_cast<uint32_t>(size), 0, digest, executable});
    return true;
}

bool PackageWriter::finish(std::string* error) {
    if (file_ == nullptr) {
        setError(error, "no package is open");
        return false;
    }
    // A stored attempt may have left the file position below the end of a longer
    // compressed attempt; the directory starts where the last entry ends.
    uint64_t directory = 0;
    for (const Record& record : records_) {
        directory = std::max<uint64_t>(directory, uint64_t{record.dataOffset} + record.storedSize);
    }
    if (!file_->seek(directory)) {
        setError(error, "cannot write " + path_);
        return false;
    }
    std::vector<uint8_t> bytes;
    for (const Record& record : records_) {
        // Name, zero terminator, zero padding to whole words, then every word scrambled.
        const size_t area = ((record.name.size() + 1) * 2 + 3) / 4 * 4;
        const size_t start = bytes.size();
        bytes.resize(start + package::kRecordHeaderSize + area, 0);
        uint8_t* out = bytes.data() + start;
        package::writeLe32(out, static_cast<uint32_t>(package::kRecordHeaderSize + area));
        package::writeLe32(out + 4, record.dataOffset);
        package::writeLe32(out + 8, record.storedSize);
        package::writeLe32(out + 12, record.unpackedSize);
        uint8_t* name = out + package::kRecordHeaderSize;
        for (size_t i = 0; i < record.name.size(); ++i) {
            name[i * 2] = static_cast<uint8_t>(record.name[i]);
            name[i * 2 + 1] = static_cast<uint8_t>(record.name[i] >> 8);
        }
        for (size_t word = 0; word < area; word += 4) {
            package::writeLe32(name + word, package::readLe32(name + word) ^ kKey);
        }
    }
    // The digests sit between the directory's terminating zero and the trailer, where
    // readers look for nothing.
    std::vector<uint8_t> digests;
    if (!records_.empty()) {
        for (const Record& record : records_) {
            digests.insert(digests.end(), record.digest.begin(), record.digest.end());
        }
        for (const Record& record : records_) {
            digests.push_back(record.executable ? package::kModeExecutable : 0);
        }
        uint8_t footer[package::kEntryTableFooterSize];
        package::writeLe32(footer, static_cast<uint32_t>(records_.size()));
        package::writeLe32(footer + 4, package::kEntryTableHasModes);
        std::memcpy(footer + 8, package::kEntryTableMagic, sizeof package::kEntryTableMagic);
        digests.insert(digests.end(), footer, footer + sizeof footer);
    }
    uint8_t tail[8];
    package::writeLe32(tail, 0);
    if (directory + bytes.size() + 4 + digests.size() > UINT32_MAX) {
        setError(error, "the package would exceed 4 GiB");
        return false;
    }
    package::writeLe32(tail + 4, static_cast<uint32_t>(directory) ^ kKey);
    if (!writeBytes(bytes.data(), bytes.size(), error) || !writeBytes(tail, 4, error) ||
        !writeBytes(digests.data(), digests.size(), error) || !writeBytes(tail + 4, 4, error)) {
        return false;
    }
    // Drop whatever a longer abandoned attempt left after the trailer.
    const bool closed = file_->truncateHere() && file_->commit();
    file_.reset();
    if (!closed) {
        setError(error, "cannot write " + path_ + ": " + std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace tamlo
