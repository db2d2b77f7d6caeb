#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tamlo {

using Sha256Digest = std::array<uint8_t, 32>;

// SHA-256 over bytes fed in any number of pieces.
class Sha256 {
  public:
    Sha256();
    void update(const uint8_t* bytes, size_t length);
    // The digest of everything fed; the object must not be fed afterwards.
    Sha256Digest finish();

  private:
    void compress(const uint8_t* block);

    std::array<uint32_t, 8> state_;
    std::array<uint8_t, 64> pending_{};
    size_t pendingLength_ = 0;
    uint64_t totalLength_ = 0;
};

Sha256Digest sha256(const uint8_t* bytes, size_t length);
// Lower-case hexadecimal.
std::string toHex(const Sha256Digest& digest);

}  // namespace tamlo
