#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>

#include "platform/os/os_services.h"
#include "support/test_environment.h"

namespace tamlo {
namespace {

class BootTime : public ::testing::Test {
  protected:
    void TearDown() override { unsetenv("TAMLO_PROC_STAT"); }

    std::array<uint8_t, 8> bootTimeFrom(const std::string& statText) {
        std::string path = test::makeTempDir("stat") + "/stat";
        EXPECT_TRUE(test::writeFile(path, statText));
        setenv("TAMLO_PROC_STAT", path.c_str(), 1);
        return os::bootTimeBytes();
    }
};

TEST_F(BootTime, IsBtimeAsEightLittleEndianBytes) {
    auto bytes = bootTimeFrom("cpu  1 2 3\nintr 5\nbtime 1700000000\nprocesses 9\n");
    // 1700000000 = 0x6553F100
    std::array<uint8_t, 8> expected{0x00, 0xF1, 0x53, 0x65, 0, 0, 0, 0};
    EXPECT_EQ(bytes, expected);
}

TEST_F(BootTime, IsZeroWhenUnreadableOrMalformed) {
    const std::array<uint8_t, 8> zero{};
    EXPECT_EQ(bootTimeFrom("cpu 1 2 3\n"), zero);
    EXPECT_EQ(bootTimeFrom("btime\n"), zero);
    EXPECT_EQ(bootTimeFrom("btime -5\n"), zero);
    EXPECT_EQ(bootTimeFrom("btime 12abc\n"), zero);
    EXPECT_EQ(bootTimeFrom("btime 99999999999999999999999\n"), zero);
    EXPECT_EQ(bootTimeFrom("xbtime 12\n"), zero);
    setenv("TAMLO_PROC_STAT", (test::isolatedRoot() + "/no-such-file").c_str(), 1);
    EXPECT_EQ(os::bootTimeBytes(), zero);
}

TEST_F(BootTime, OfThisMachineIsKnownAndStable) {
    const std::array<uint8_t, 8> zero{};
    auto first = os::bootTimeBytes();
    EXPECT_NE(first, zero);
    EXPECT_EQ(os::bootTimeBytes(), first);
}

TEST(OsPaths, ExecutablePathIsThisTestProgram) {
    std::string path = os::executablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_NE(path.find("tests_platform"), std::string::npos);
}

}  // namespace
}  // namespace tamlo
