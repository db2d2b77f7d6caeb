#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace tamlo {

// Receives decoded bytes piece by piece; returning false stops the decode.
using ChunkSink = std::function<bool(const uint8_t* data, size_t size)>;

}  // namespace tamlo
