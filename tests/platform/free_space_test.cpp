// getFreeSpace's platform side: the bytes left on the volume of a path or of its nearest
// existing parent, on a small tmpfs of the test's own that it fills to the last block.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/os/volumes.h"
#include "support/test_environment.h"

namespace tamlo::test {
namespace {

// A 1 MiB tmpfs mounted for the test, unmounted after it.
class SmallVolume : public ::testing::Test {
  protected:
    void SetUp() override {
        point_ = makeTempDir("volume");
        if (geteuid() != 0 || mount("tmpfs", point_.c_str(), "tmpfs", 0, "size=1m") != 0) {
            GTEST_SKIP() << "cannot mount a tmpfs here (needs root): " << std::strerror(errno);
        }
        mounted_ = true;
    }
    void TearDown() override {
        if (mounted_) {
            umount(point_.c_str());
        }
    }

    std::string point_;
    bool mounted_ = false;
};

TEST(ParentPath, DropsTheLastComponentAndKeepsRoots) {
    EXPECT_EQ(volumes::parentPath("/opt/Orvinex/bin"), "/opt/Orvinex");
    EXPECT_EQ(volumes::parentPath("/opt/Orvinex//"), "/opt");
    EXPECT_EQ(volumes::parentPath("/opt"), "/");
    EXPECT_EQ(volumes::parentPath("/"), "");
    EXPECT_EQ(volumes::parentPath("C:\\Program Files\\Orvinex"), "C:\\Program Files");
    EXPECT_EQ(volumes::parentPath("C:\\Orvinex"), "C:\\");
    EXPECT_EQ(volumes::parentPath("C:\\"), "");
    EXPECT_EQ(volumes::parentPath("relative"), "");
    EXPECT_EQ(volumes::parentPath(""), "");
}

TEST(FreeSpace, NothingWhenNoPartOfThePathExists) {
    EXPECT_FALSE(volumes::freeSpace(""));
    EXPECT_FALSE(volumes::freeSpace("no-such-relative/folder"));
    EXPECT_TRUE(volumes::freeSpace("/no/such/folder/at/all"));  // "/" exists
}

TEST_F(SmallVolume, AMissingFolderCountsOnItsNearestExistingParentUntilTheVolumeIsFull) {
    const std::string missing = point_ + "/Orvinex/bin";
    std::optional<uint64_t> empty = volumes::freeSpace(missing);
    ASSERT_TRUE(empty);
    EXPECT_EQ(*empty, 1024u * 1024u);

    // Half of it written: half is left.
    ASSERT_TRUE(writeFile(point_ + "/half", std::string(512 * 1024, 'x')));
    EXPECT_EQ(volumes::freeSpace(missing), std::optional<uint64_t>(512u * 1024u));

    // Written until the volume refuses: nothing is left, for the volume and the missing path.
    FILE* filler = std::fopen((point_ + "/filler").c_str(), "wb");
    ASSERT_NE(filler, nullptr);
    const std::string block(4096, 'y');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() &&
           std::fflush(filler) == 0) {
    }
    std::fclose(filler);
    EXPECT_EQ(volumes::freeSpace(point_), std::optional<uint64_t>(0));
    EXPECT_EQ(volumes::freeSpace(missing), std::optional<uint64_t>(0));
}

}  // namespace
}  // namespace tamlo::test
