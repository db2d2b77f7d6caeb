#pragma once

#include <cstdint>
#include <limits>

namespace tamlo::dui {

// Layout adds and subtracts values straight from documents and scripts; doing it in 64
// bits and saturating keeps absurd margins or sizes from overflowing.
inline int32_t saturate(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

// The extent passed as "no limit".
constexpr int32_t kUnbounded = 65536;

}  // namespace tamlo::dui
