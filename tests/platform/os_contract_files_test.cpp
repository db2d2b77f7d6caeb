// The OS contract for files, built into the Linux and the Windows test programs alike.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/file_operations.h"
#include "platform/os/os_services.h"
#include "support/os_contract.h"
#include "support/test_environment.h"

namespace tamlo::files {
namespace {

using test::inFolder;

bool writeBytes(ReplacingFile& file, const std::string& bytes) {
    return file.write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(OsContractFiles, RemoveTakesReadOnlyFilesAndRefusesFoldersAndMissingOnes) {
    const std::string dir = test::contractFolder("remove");
    const std::string file = inFolder(dir, "readonly.txt");
    ASSERT_TRUE(test::writeFile(file, "data"));
    test::makeReadOnly(file);

    EXPECT_TRUE(removeFile(file));
    EXPECT_FALSE(test::pathExists(file));
    EXPECT_FALSE(removeFile(file));
    EXPECT_FALSE(removeFile(inFolder(dir, "never-was")));
    EXPECT_FALSE(removeFile(dir));  // a folder is not a file
    EXPECT_TRUE(test::pathExists(dir));
}

TEST(OsContractFiles, CopyReplacesAReadOnlyTargetButNeverCopiesOntoItself) {
    const std::string dir = test::contractFolder("copy");
    const std::string target = inFolder(dir, "locked.txt");
    ASSERT_TRUE(test::writeFile(target, "old content that is longer"));
    test::makeReadOnly(target);
    ASSERT_TRUE(test::writeFile(inFolder(dir, "source.txt"), "new"));

    EXPECT_TRUE(copyFile(inFolder(dir, "source.txt"), target));
    EXPECT_EQ(test::readFile(target), "new");
    EXPECT_FALSE(copyFile(target, target));
    EXPECT_FALSE(copyFile(target, inFolder(dir, "./locked.txt")));
    EXPECT_EQ(test::readFile(target), "new");

    EXPECT_FALSE(copyFile(inFolder(dir, "missing"), inFolder(dir, "other")));
    EXPECT_FALSE(test::pathExists(inFolder(dir, "other")));
    // No temporary copy is left behind.
    EXPECT_EQ(os::listFiles(dir, "*"),
              (std::vector<std::string>{target, inFolder(dir, "source.txt")}));
}

TEST(OsContractFiles, MoveReplacesAnExistingTarget) {
    const std::string dir = test::contractFolder("move");
    ASSERT_TRUE(test::writeFile(inFolder(dir, "from"), "new"));
    ASSERT_TRUE(test::writeFile(inFolder(dir, "to"), "old"));
    EXPECT_TRUE(moveFile(inFolder(dir, "from"), inFolder(dir, "to")));
    EXPECT_EQ(test::readFile(inFolder(dir, "to")), "new");
    EXPECT_FALSE(test::pathExists(inFolder(dir, "from")));
    EXPECT_FALSE(moveFile(inFolder(dir, "from"), inFolder(dir, "to")));
    EXPECT_EQ(test::readFile(inFolder(dir, "to")), "new");
}

TEST(OsContractFiles, AReplacingFileShowsTheOldFileUntilItCommits) {
    const std::string dir = test::contractFolder("replacing");
    const std::string target = inFolder(dir, "product.dll");
    ASSERT_TRUE(test::writeFile(target, "old content"));
    test::makeReadOnly(target);
    {
        ReplacingFile file;
        ASSERT_TRUE(file.open(target));
        ASSERT_TRUE(writeBytes(file, "new content, longer"));
        EXPECT_EQ(test::readFile(target), "old content");
        ASSERT_TRUE(file.seek(3));
        ASSERT_TRUE(file.truncateHere());
        uint64_t at = 0;
        ASSERT_TRUE(file.position(&at));
        EXPECT_EQ(at, 3u);
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(test::readFile(target), "new");
    {
        ReplacingFile abandoned;
        ASSERT_TRUE(abandoned.open(target));
        ASSERT_TRUE(writeBytes(abandoned, "zz"));
    }
    EXPECT_EQ(test::readFile(target), "new");

    ReplacingFile readOnlyCopy;
    ASSERT_TRUE(readOnlyCopy.open(inFolder(dir, "ro.txt"), 0444));
    ASSERT_TRUE(writeBytes(readOnlyCopy, "r"));
    ASSERT_TRUE(readOnlyCopy.commit());
    EXPECT_TRUE(test::isReadOnly(inFolder(dir, "ro.txt")));
    EXPECT_EQ(os::listFiles(dir, "*"), (std::vector<std::string>{target, inFolder(dir, "ro.txt")}));

    // A folder is never replaced by a file: the writer fails, by its commit at the latest,
    // and leaves nothing beside it. An empty folder is the one a rename could take.
    const std::string folder = inFolder(dir, "plugins");
    createDirectory(folder);
    ReplacingFile onFolder;
    EXPECT_FALSE(onFolder.open(folder) && writeBytes(onFolder, "x") && onFolder.commit());
    EXPECT_TRUE(directoryExists(folder));
    EXPECT_EQ(os::listFiles(dir, "*"), (std::vector<std::string>{target, inFolder(dir, "ro.txt")}));
    ReplacingFile inMissingFolder;
    EXPECT_FALSE(inMissingFolder.open(inFolder(dir, "missing/x")));
}

// Checked bytes go straight to a target nothing holds yet; an existing file is still
// replaced only once the new one is whole.
TEST(OsContractFiles, CheckedBytesAreWrittenInPlaceOnlyWhereNothingIs) {
    const std::string dir = test::contractFolder("checked");
    const std::string fresh = inFolder(dir, "fresh.dll");
    {
        ReplacingFile file;
        ASSERT_TRUE(file.openForCheckedBytes(fresh, 0444));
        ASSERT_TRUE(writeBytes(file, "new"));
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(test::readFile(fresh), "new");
    EXPECT_TRUE(test::isReadOnly(fresh));
    {
        ReplacingFile abandoned;
        ASSERT_TRUE(abandoned.openForCheckedBytes(inFolder(dir, "abandoned.dll")));
        ASSERT_TRUE(writeBytes(abandoned, "half"));
    }
    EXPECT_FALSE(test::pathExists(inFolder(dir, "abandoned.dll")));
    {
        ReplacingFile replacing;
        ASSERT_TRUE(replacing.openForCheckedBytes(fresh));
        ASSERT_TRUE(writeBytes(replacing, "newer"));
        EXPECT_EQ(test::readFile(fresh), "new");
        ASSERT_TRUE(replacing.commit());
    }
    EXPECT_EQ(test::readFile(fresh), "newer");
    const std::string folder = inFolder(dir, "plugins");
    createDirectory(folder);
    ReplacingFile onFolder;
    EXPECT_FALSE(onFolder.openForCheckedBytes(folder) && writeBytes(onFolder, "x") &&
                 onFolder.commit());
    EXPECT_TRUE(directoryExists(folder));
    EXPECT_EQ(os::listFiles(dir, "*"), std::vector<std::string>{fresh});
}

// Windows closes such files on a thread of its own, a batch at a time; until then they are
// shared with nobody. Closing is finished by a replacing write in the way and on request.
TEST(OsContractFiles, FilesClosedLaterAreWholeAndFreeOnceClosingFinishes) {
    const std::string dir = test::contractFolder("closing");
    std::vector<std::string> paths;
    for (int i = 0; i < 40; ++i) {  // more than a batch, fewer than may stay open
        paths.push_back(inFolder(dir, "f" + std::to_string(i)));
        ReplacingFile file;
        ASSERT_TRUE(file.openForCheckedBytes(paths.back()));
        ASSERT_TRUE(writeBytes(file, "whole " + std::to_string(i)));
        ASSERT_TRUE(file.commitClosingLater());
        EXPECT_TRUE(fileExists(paths.back()));
    }
    {
        ReplacingFile replacing;  // its target is the file made last, perhaps still open
        ASSERT_TRUE(replacing.openForCheckedBytes(paths.back()));
        ASSERT_TRUE(writeBytes(replacing, "replaced"));
        ASSERT_TRUE(replacing.commitClosingLater());
    }
    finishClosingFiles();
    for (size_t i = 0; i + 1 < paths.size(); ++i) {
        EXPECT_EQ(test::readFile(paths[i]), "whole " + std::to_string(i));
        EXPECT_TRUE(removeFile(paths[i])) << paths[i];
    }
    EXPECT_EQ(test::readFile(paths.back()), "replaced");
    EXPECT_TRUE(moveFile(paths.back(), inFolder(dir, "moved")));
    finishClosingFiles();  // nothing left: returns at once
}

}  // namespace
}  // namespace tamlo::files
