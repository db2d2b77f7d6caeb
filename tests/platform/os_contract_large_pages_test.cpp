// Large buffers on both systems: each holds every byte asked for, and one given back and
// taken again (Windows keeps them for reuse) never overlaps a buffer still in use.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/os/large_pages.h"

namespace tamlo::large_pages {
namespace {

TEST(OsContractLargePages, BuffersGivenBackAndTakenAgainHoldEveryByteAndNeverOverlap) {
    constexpr size_t kMiB = 1u << 20;
    uint8_t* first = allocate(10 * kMiB);
    ASSERT_NE(first, nullptr);
    std::memset(first, 0x11, 10 * kMiB);
    release(first);

    // Larger than the one given back, then smaller, then much smaller: all held at once.
    const size_t sizes[] = {11 * kMiB + 5, 9 * kMiB, 3 * kMiB, 20 * kMiB};
    uint8_t* held[4] = {};
    for (int i = 0; i < 4; ++i) {
        held[i] = allocate(sizes[i]);
        ASSERT_NE(held[i], nullptr) << i;
        std::memset(held[i], 0x20 + i, sizes[i]);
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(held[i][0], 0x20 + i) << i;
        EXPECT_EQ(held[i][sizes[i] / 2], 0x20 + i) << i;
        EXPECT_EQ(held[i][sizes[i] - 1], 0x20 + i) << i;
    }
    for (uint8_t* buffer : held) {
        release(buffer);
    }
    release(nullptr);
}

}  // namespace
}  // namespace tamlo::large_pages
