#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace tamlo::test {

// The text the SDK streams in sdk_lzma_streams.h were made from (11256 bytes).
inline std::string sdkFixtureText() {
    std::string text;
    for (int i = 0; i < 200; ++i) {
        text += "line " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog " +
                std::to_string(i * i % 97) + "\n";
    }
    return text;
}

inline std::vector<uint8_t> bytesOf(const uint8_t* data, size_t size) {
    return std::vector<uint8_t>(data, data + size);
}

// A heap block of exactly the bytes' size, so the sanitizer sees any read past the end.
struct ExactBuffer {
    explicit ExactBuffer(const std::vector<uint8_t>& bytes)
        : size(bytes.size()), data(new uint8_t[bytes.empty() ? 1 : bytes.size()]) {
        if (!bytes.empty()) {
            std::memcpy(data.get(), bytes.data(), bytes.size());
        }
    }
    size_t size;
    std::unique_ptr<uint8_t[]> data;
};

}  // namespace tamlo::test
