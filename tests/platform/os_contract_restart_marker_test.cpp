// The OS contract for the restart marker, built into the Linux and the Windows test programs.
// The marker lies in this test program's private profile (its data or temporary folder).
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/os/file_operations.h"
#include "platform/os/os_services.h"
#include "platform/os/restart_marker.h"
#include "support/os_contract.h"
#include "support/test_environment.h"

namespace tamlo {
namespace {

class OsContractRestartMarker : public testing::Test {
  protected:
    void SetUp() override {
        files::removeFile(marker_);
        files::removeDirectory(marker_);
    }
    void TearDown() override { SetUp(); }
    static std::string bootBytes(uint8_t firstByteFlip = 0) {
        std::array<uint8_t, 8> now = os::bootTimeBytes();
        now[0] = static_cast<uint8_t>(now[0] ^ firstByteFlip);
        return std::string(reinterpret_cast<const char*>(now.data()), now.size());
    }
    const std::string marker_ = platform::restartMarkerPath();
};

TEST_F(OsContractRestartMarker, NoMarkerNoPendingReboot) {
    EXPECT_FALSE(platform::pendingRebootCheck());
    EXPECT_FALSE(test::pathExists(marker_));
}

TEST_F(OsContractRestartMarker, AWrittenMarkerBlocksUntilTheNextBootAndStays) {
    platform::markRestart();
    EXPECT_EQ(test::readFile(marker_), bootBytes());
    EXPECT_TRUE(platform::pendingRebootCheck());
    EXPECT_TRUE(platform::pendingRebootCheck());
    EXPECT_EQ(test::readFile(marker_), bootBytes());

    // Writing again drops what was there before.
    ASSERT_TRUE(test::writeFile(marker_, bootBytes(1) + "old and long"));
    platform::markRestart();
    EXPECT_EQ(test::readFile(marker_), bootBytes());
}

TEST_F(OsContractRestartMarker, OnlyTheFirstEightBytesCount) {
    platform::markRestart();
    ASSERT_TRUE(test::writeFile(marker_, bootBytes() + "trailing bytes"));
    EXPECT_TRUE(platform::pendingRebootCheck());
    EXPECT_TRUE(test::pathExists(marker_));
}

TEST_F(OsContractRestartMarker, AShortMarkerOrOneOfAnotherBootIsDeleted) {
    platform::markRestart();
    ASSERT_TRUE(test::writeFile(marker_, bootBytes().substr(0, 7)));
    EXPECT_FALSE(platform::pendingRebootCheck());
    EXPECT_FALSE(test::pathExists(marker_));

    platform::markRestart();
    ASSERT_TRUE(test::writeFile(marker_, bootBytes(1)));
    EXPECT_FALSE(platform::pendingRebootCheck());
    EXPECT_FALSE(test::pathExists(marker_));
}

TEST_F(OsContractRestartMarker, AFolderAtThePathIsNoMarker) {
    files::createDirectory(marker_);
    EXPECT_FALSE(platform::pendingRebootCheck());
}

}  // namespace
}  // namespace tamlo
