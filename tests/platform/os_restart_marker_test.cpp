#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/os/file_operations.h"
#include "platform/os/os_services.h"
#include "platform/os/restart_marker.h"
#include "support/test_environment.h"

namespace tamlo {
namespace {

// btime 1700000000 as the 8 bytes of the marker.
const std::string kThisBoot("\x00\xF1\x53\x65\x00\x00\x00\x00", 8);
const std::string kOtherBoot("\x01\xF1\x53\x65\x00\x00\x00\x00", 8);

class RestartMarker : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string stat = test::makeTempDir("stat") + "/stat";
        test::writeFile(stat, "cpu 1\nbtime 1700000000\n");
        setenv("TAMLO_PROC_STAT", stat.c_str(), 1);
        // Each test gets a temp folder of its own.
        setenv("TMPDIR", test::makeTempDir("tmp").c_str(), 1);
        setenv("XDG_DATA_HOME", test::makeTempDir("data").c_str(), 1);
        marker_ = platform::restartMarkerPath();
    }
    // The marker's folder, for tests that plant something at the marker's path.
    void makeMarkerFolder() const { files::createDirectory(marker_.substr(0, marker_.rfind('/'))); }
    void TearDown() override { unsetenv("TAMLO_PROC_STAT"); }

    bool markerExists() const {
        struct stat info;
        return lstat(marker_.c_str(), &info) == 0;
    }
    std::string marker_;
};

TEST_F(RestartMarker, WrittenMarkerBlocksUntilTheNextBootAndStays) {
    platform::markRestart();
    EXPECT_EQ(test::readFile(marker_), kThisBoot);
    struct stat info;
    ASSERT_EQ(stat(marker_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);

    EXPECT_TRUE(platform::pendingRebootCheck());
    EXPECT_TRUE(platform::pendingRebootCheck());
    EXPECT_EQ(test::readFile(marker_), kThisBoot);
}

TEST_F(RestartMarker, UnreadableBootTimeWritesZerosThatStillBlock) {
    setenv("TAMLO_PROC_STAT", (test::isolatedRoot() + "/missing-stat").c_str(), 1);
    platform::markRestart();
    EXPECT_EQ(test::readFile(marker_), std::string(8, '\0'));
    EXPECT_TRUE(platform::pendingRebootCheck());
    // Once the boot time reads again, the zero marker belongs to another boot.
    unsetenv("TAMLO_PROC_STAT");
    EXPECT_FALSE(platform::pendingRebootCheck());
    EXPECT_FALSE(markerExists());
}

TEST_F(RestartMarker, RewritingTightensModeAndDropsOldContent) {
    test::writeFile(marker_, kOtherBoot + "old and long");
    ASSERT_EQ(chmod(marker_.c_str(), 0666), 0);
    platform::markRestart();
    EXPECT_EQ(test::readFile(marker_), kThisBoot);
    struct stat info;
    ASSERT_EQ(stat(marker_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST_F(RestartMarker, WriterNeverWritesThroughALink) {
    std::string target = test::makeTempDir("victim") + "/important";
    test::writeFile(target, "original");
    makeMarkerFolder();
    ASSERT_EQ(symlink(target.c_str(), marker_.c_str()), 0);

    platform::markRestart();
    EXPECT_EQ(test::readFile(target), "original");
    struct stat info;
    ASSERT_EQ(lstat(marker_.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(test::readFile(marker_), kThisBoot);
}

TEST_F(RestartMarker, CheckDoesNotTrustALinkEvenToAMatchingFile) {
    std::string target = test::makeTempDir("elsewhere") + "/matching";
    test::writeFile(target, kThisBoot);
    makeMarkerFolder();
    ASSERT_EQ(symlink(target.c_str(), marker_.c_str()), 0);

    EXPECT_FALSE(platform::pendingRebootCheck());
    EXPECT_FALSE(markerExists());
    EXPECT_EQ(test::readFile(target), kThisBoot);
}

TEST_F(RestartMarker, AnotherUsersEntryInTheSharedTempFolderChangesNothing) {
    // A folder of another user under the old shared name once made the marker unwritable.
    const std::string shared = os::tempPath() + "orvinex_restart";
    ASSERT_EQ(mkdir(shared.c_str(), 0755), 0);
    ASSERT_EQ(chown(shared.c_str(), 4242, 4242), 0);
    platform::markRestart();
    EXPECT_TRUE(platform::pendingRebootCheck());
    EXPECT_EQ(test::readFile(marker_), kThisBoot);

    // The marker sits in a folder of this user that nobody else may write.
    const std::string folder = marker_.substr(0, marker_.rfind('/'));
    EXPECT_EQ(folder.rfind(os::tempPath(), 0), std::string::npos);
    struct stat info;
    ASSERT_EQ(lstat(folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_uid, geteuid());
    EXPECT_EQ(info.st_mode & 0022, 0u);
}

TEST_F(RestartMarker, AMarkerOfAnotherUserIsNotTrusted) {
    platform::markRestart();
    ASSERT_EQ(chown(marker_.c_str(), 4242, 4242), 0);
    EXPECT_FALSE(platform::pendingRebootCheck());
    EXPECT_FALSE(markerExists());
}

}  // namespace
}  // namespace tamlo
