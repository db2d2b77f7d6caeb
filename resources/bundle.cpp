#include "resources/bundle.h"

#include <lzma.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/os/mapped_file.h"
#include "platform/os/os_services.h"
#include "platform/text_encoding.h"
#include "resources/bundle_format.h"
#include "resources/certificate_table.h"
#include "resources/error_text.h"
#include "resources/package_format.h"

namespace tamlo {

using package::readLe32;
using package::readLe64;

namespace {

uint32_t crcOf(const uint8_t* bytes, size_t size) {
    // The CRC-32 that zlib's crc32 computes (same polynomial, same start and final xor).
    return lzma_crc32(bytes, size, 0);
}

}  // namespace

const char16_t* embeddedFileName(int32_t id) {
    for (const EmbeddedFileName& file : kEmbeddedFiles) {
        if (file.id == id) {
            return file.name;
        }
    }
    return nullptr;
}

Bundle::Bundle(const uint8_t* bytes, size_t length, std::unique_ptr<platform::MappedFile> mapping)
    : bytes_(bytes), length_(length), mapping_(std::move(mapping)) {}

Bundle::~Bundle() = default;

std::unique_ptr<Bundle> Bundle::open(const std::string& path, std::string* error) {
    auto mapping = std::make_unique<platform::MappedFile>();
    std::string why;
    if (!mapping->open(path, &why)) {
        setError(error, why);
        return nullptr;
    }
    if (mapping->size() < bundle::kFooterSize) {
        setError(error, "no embedded files: the program is too short");
        return nullptr;
    }
    const uint8_t* bytes = mapping->data();
    const size_t length = mapping->size();
    std::unique_ptr<Bundle> result(new Bundle(bytes, length, std::move(mapping)));
    if (!result->parse(error)) {
        return nullptr;
    }
    return result;
}

std::unique_ptr<Bundle> Bundle::openSelf(std::string* error) {
    return open(os::runningProgramFile(), error);
}

std::unique_ptr<Bundle> Bundle::fromMemory(const uint8_t* bytes, size_t length,
                                           std::string* error) {
    std::unique_ptr<Bundle> result(new Bundle(bytes, bytes == nullptr ? 0 : length, nullptr));
    if (!result->parse(error)) {
        return nullptr;
    }
    return result;
}

bool Bundle::parse(std::string* error) {
    // A signed program's certificate table follows the bundle: the footer ends before it.
    const size_t end = appendedDataEnd(bytes_, length_);
    if (end < bundle::kFooterSize) {
        setError(error, "no embedded files: the program is too short");
        return false;
    }
    const uint8_t* footer = bytes_ + end - bundle::kFooterSize;
    if (std::memcmp(footer + 16, bundle::kMagic, sizeof bundle::kMagic) != 0) {
        setError(error, "no embedded files: the footer is missing");
        return false;
    }
    const uint64_t tableOffset = readLe64(footer);
    const uint32_t count = readLe32(footer + 8);
    const uint32_t tableCrc = readLe32(footer + 12);
    const uint64_t footerOffset = end - bundle::kFooterSize;
    // The table sits right before the footer; anything else is damage.
    if (count > bundle::kMaxFiles || tableOffset > footerOffset ||
        footerOffset - tableOffset != uint64_t{count} * bundle::kRecordSize) {
        setError(error, "the table of embedded files is damaged");
        return false;
    }
    const uint8_t* table = bytes_ + tableOffset;
    if (crcOf(table, count * bundle::kRecordSize) != tableCrc) {
        setError(error, "the table of embedded files fails its check");
        return false;
    }
    files_.clear();
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* record = table + i * bundle::kRecordSize;
        BundleFileInfo info;
        info.id = static_cast<int32_t>(readLe32(record));
        info.size = readLe32(record + 4);
        info.offset = readLe64(record + 8);
        info.crc32 = readLe32(record + 16);
        info.flags = readLe32(record + bundle::kFlagsOffset);
        std::memcpy(info.sha256.data(), record + bundle::kDigestOffset, info.sha256.size());
        const char16_t* name = embeddedFileName(info.id);
        if (name == nullptr || find(info.id) != nullptr) {
            setError(error, "the table of embedded files names an unknown or repeated id");
            files_.clear();
            return false;
        }
        info.name = name;
        // The data and its zero terminator lie before the table.
        if (info.offset > tableOffset ||
            tableOffset - info.offset < uint64_t{info.size} + bundle::kTerminatorSize) {
            setError(error, "an embedded file lies outside the program");
            files_.clear();
            return false;
        }
        const uint8_t* terminator = bytes_ + info.offset + info.size;
        for (size_t k = 0; k < bundle::kTerminatorSize; ++k) {
            if (terminator[k] != 0) {
                setError(error, "an embedded file is not followed by zero bytes");
                files_.clear();
                return false;
            }
        }
        files_.push_back(std::move(info));
    }
    return true;
}

const BundleFileInfo* Bundle::find(int32_t id) const {
    for (const BundleFileInfo& file : files_) {
        if (file.id == id) {
            return &file;
        }
    }
    return nullptr;
}

const uint8_t* Bundle::data(int32_t id, uint32_t* size) const {
    const BundleFileInfo* file = find(id);
    if (file == nullptr) {
        return nullptr;
    }
    if (size != nullptr) {
        *size = file->size;
    }
    return bytes_ + file->offset;
}

void Bundle::releasePages(const uint8_t* begin, size_t length) const {
    if (mapping_ == nullptr || begin < bytes_ || begin > bytes_ + length_) {
        return;
    }
    mapping_->dropPages(static_cast<size_t>(begin - bytes_), length);
}

bool Bundle::verify(int32_t id) const {
    const BundleFileInfo* file = find(id);
    if (file == nullptr) {
        return false;
    }
    // In pieces, each given back once summed.
    constexpr size_t kPiece = 4u << 20;
    const uint8_t* bytes = bytes_ + file->offset;
    uint32_t crc = 0;
    Sha256 hash;
    for (size_t done = 0; done < file->size;) {
        const size_t piece = std::min<size_t>(kPiece, file->size - done);
        crc = lzma_crc32(bytes + done, piece, crc);
        hash.update(bytes + done, piece);
        releasePages(bytes + done, piece);
        done += piece;
    }
    return crc == file->crc32 && hash.finish() == file->sha256;
}

bool Bundle::verifyAll(std::string* error) const {
    for (const BundleFileInfo& file : files_) {
        if (!verify(file.id)) {
            setError(error, "the embedded file " + utf16ToUtf8(file.name) + " fails its check");
            return false;
        }
    }
    return true;
}

}  // namespace tamlo
