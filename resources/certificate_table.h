#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tamlo {

// A signed Windows program carries its Authenticode certificate table at its very end,
// after anything appended to it; the PE security directory says where the table starts.
struct CertificateTable {
    uint64_t offset;  // from the start of the file
    uint64_t size;
};

// The table of a PE file whose security directory names one that ends the file. Nothing
// for a file that is not a PE program, is not signed, or whose directory points elsewhere.
// Reads only inside [bytes, bytes + length).
std::optional<CertificateTable> findCertificateTable(const uint8_t* bytes, size_t length);

// Where appended data that ends in a non-zero byte (the bundle's footer does) ends: before
// the certificate table and the zero padding (up to 7 bytes) the signer puts in front of
// it; `length` for an unsigned file.
size_t appendedDataEnd(const uint8_t* bytes, size_t length);

}  // namespace tamlo
