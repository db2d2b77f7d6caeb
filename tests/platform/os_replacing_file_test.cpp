// The replacing-file writer on Linux: what a writer that dies leaves beside its target.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/os/file_operations.h"
#include "support/test_environment.h"

namespace tamlo::files {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> entriesOf(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

// A process id that no process has any more: a child of ours, exited and reaped.
pid_t deadProcessId() {
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return child;
}

TEST(ReplacingFileOnLinux, AWriterKilledMidWayLeavesOnlyTheOldFile) {
    const std::string dir = test::makeTempDir("killed-writer");
    const std::string target = dir + "/payload.bin";
    ASSERT_TRUE(test::writeFile(target, "old"));
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ReplacingFile file;
        const std::vector<uint8_t> block(1 << 20, 0x5A);
        if (file.open(target) && file.write(block.data(), block.size())) {
            (void)!::write(ready[1], "x", 1);
        }
        for (;;) {
            pause();
        }
    }
    close(ready[1]);
    char signal = 0;
    const bool wrote = read(ready[0], &signal, 1) == 1;
    close(ready[0]);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(wrote);
    EXPECT_EQ(entriesOf(dir), std::vector<std::string>{"payload.bin"});
    EXPECT_EQ(test::readFile(target), "old");

    // A rerun that succeeds leaves the new file and nothing else.
    ReplacingFile rerun;
    const uint8_t text[] = {'n', 'e', 'w'};
    ASSERT_TRUE(rerun.open(target));
    ASSERT_TRUE(rerun.write(text, sizeof text));
    ASSERT_TRUE(rerun.commit());
    EXPECT_EQ(entriesOf(dir), std::vector<std::string>{"payload.bin"});
    EXPECT_EQ(test::readFile(target), "new");
}

TEST(ReplacingFileOnLinux, WritingBesideRemovesWhatDeadWritersLeft) {
    const std::string dir = test::makeTempDir("stale-writers");
    const std::string stale = dir + "/.tamlo-new-" + std::to_string(deadProcessId()) + "-3";
    const std::string live = dir + "/.tamlo-new-" + std::to_string(getppid()) + "-0";
    const std::string alike = dir + "/.tamlo-new-notanumber-1";
    for (const std::string& path : {stale, live, alike}) {
        ASSERT_TRUE(test::writeFile(path, std::string(4096, 'z')));
    }
    ReplacingFile file;
    ASSERT_TRUE(file.open(dir + "/a.txt", 0640));
    const uint8_t text[] = {'n', 'e', 'w'};
    ASSERT_TRUE(file.write(text, sizeof text));
    ASSERT_TRUE(file.commit());

    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(live));  // its writer may still be at work
    EXPECT_TRUE(fs::exists(alike));
    EXPECT_EQ(test::readFile(dir + "/a.txt"), "new");
    struct stat info;
    ASSERT_EQ(stat((dir + "/a.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(entriesOf(dir).size(), 3u);
}

}  // namespace
}  // namespace tamlo::files
