#include "resources/certificate_table.h"

namespace tamlo {
namespace {

constexpr size_t kNewHeaderPointer = 0x3c;
constexpr size_t kCoffHeaderSize = 20;
constexpr size_t kSecurityDirectory = 4;
constexpr size_t kDirectoryEntrySize = 8;
// A signer aligns the table to 8 bytes with zeros.
constexpr size_t kMaxPadding = 7;

uint16_t readLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t readLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

std::optional<CertificateTable> findCertificateTable(const uint8_t* bytes, size_t length) {
    // 1. The DOS header names the PE header.
    if (bytes == nullptr || length < kNewHeaderPointer + 4 || bytes[0] != 'M' || bytes[1] != 'Z') {
        return std::nullopt;
    }
    const uint64_t peHeader = readLe32(bytes + kNewHeaderPointer);
    const uint64_t optionalHeader = peHeader + 4 + kCoffHeaderSize;
    if (optionalHeader + 2 > length || bytes[peHeader] != 'P' || bytes[peHeader + 1] != 'E' ||
        bytes[peHeader + 2] != 0 || bytes[peHeader + 3] != 0) {
        return std::nullopt;
    }
    // 2. The optional header's kind says where its data directories begin.
    const uint16_t optionalSize = readLe16(bytes + peHeader + 4 + 16);
    const uint16_t magic = readLe16(bytes + optionalHeader);
    uint64_t countOffset = 0;
    if (magic == 0x10b) {
        countOffset = 92;  // PE32
    } else if (magic == 0x20b) {
        countOffset = 108;  // PE32+
    } else {
        return std::nullopt;
    }
    const uint64_t directories = optionalHeader + countOffset + 4;
    const uint64_t entry = directories + kSecurityDirectory * kDirectoryEntrySize;
    if (entry + kDirectoryEntrySize > optionalHeader + optionalSize ||
        entry + kDirectoryEntrySize > length ||
        readLe32(bytes + optionalHeader + countOffset) <= kSecurityDirectory) {
        return std::nullopt;
    }
    // 3. The security directory holds a file offset (not an address) and a size.
    const uint64_t offset = readLe32(bytes + entry);
    const uint64_t size = readLe32(bytes + entry + 4);
    if (offset == 0 || size == 0 || offset > length || length - offset != size) {
        return std::nullopt;
    }
    return CertificateTable{offset, size};
}

size_t appendedDataEnd(const uint8_t* bytes, size_t length) {
    const std::optional<CertificateTable> table = findCertificateTable(bytes, length);
    if (!table) {
        return length;
    }
    size_t end = static_cast<size_t>(table->offset);
    // The padding is zeros only; the bundle's footer ends in a non-zero byte, so what is
    // stripped here is never its own.
    size_t padding = 0;
    while (padding < kMaxPadding && end > 0 && bytes[end - 1] == 0) {
        --end;
        ++padding;
    }
    return end;
}

}  // namespace tamlo
