#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/debug_sink.h"
#include "platform/os/process_control.h"
#include "platform/os/running_process_block.h"
#include "platform/system_test_processes.h"
#include "support/test_environment.h"

namespace tamlo::processes {
namespace {

// Block names of this test process alone, removed afterwards.
class BlockTest : public testing::Test {
  protected:
    void TearDown() override { removeRunningProcessBlock(names_); }
    BlockNames names_{"tamlo-test-section-" + std::to_string(getpid()),
                      "tamlo-test-lock-" + std::to_string(getpid())};
};

TEST_F(BlockTest, ReadsWhatTheProductWrote) {
    EXPECT_FALSE(readRunningProcessBlock(names_).has_value());  // no block yet
    ASSERT_TRUE(writeRunningProcessBlock(names_, u"C:\\p\\x.exe;安装.exe;"));
    EXPECT_EQ(readRunningProcessBlock(names_).value_or(u"?"), u"C:\\p\\x.exe;安装.exe;");
    ASSERT_TRUE(writeRunningProcessBlock(names_, u""));
    EXPECT_EQ(readRunningProcessBlock(names_).value_or(u"?"), u"");
}

TEST_F(BlockTest, ATextWithoutTerminatorStopsAtTheBlockEnd) {
    ASSERT_TRUE(writeRunningProcessBlock(names_, u""));
    int fd = shm_open(("/" + names_.section).c_str(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    std::string full(kBlockSize, 'a');  // 2048 units of U+6161, no zero anywhere
    ASSERT_EQ(pwrite(fd, full.data(), full.size(), 0), static_cast<ssize_t>(full.size()));
    close(fd);
    EXPECT_EQ(readRunningProcessBlock(names_).value_or(u"").size(), kBlockSize / 2);
}

TEST_F(BlockTest, IsSharedWithEveryUser) {
    ASSERT_TRUE(writeRunningProcessBlock(names_, u"x;"));
    struct stat info;
    ASSERT_EQ(stat(("/dev/shm/" + names_.section).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666u);
    ASSERT_EQ(stat(("/dev/shm/" + names_.lock).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666u);
}

TEST(BlockEntries, EverySemicolonEndsOneEntry) {
    using Entries = std::vector<std::u16string>;
    EXPECT_EQ(blockEntries(u"C:\\p\\x.exe;y.exe"), Entries{u"C:\\p\\x.exe"});
    EXPECT_EQ(blockEntries(u";;a;;b;"), (Entries{u"a", u"b"}));
    EXPECT_EQ(blockEntries(u""), Entries{});
    EXPECT_EQ(entryImageName(u"C:\\p\\x.exe"), u"x.exe");
    EXPECT_EQ(entryImageName(u"/opt/o/bin/y.exe"), u"y.exe");
    EXPECT_EQ(entryImageName(u"z.exe"), u"z.exe");
    EXPECT_EQ(entryImageName(u"C:\\p\\"), u"");
}

TEST_F(BlockTest, KillRunningProcessesEndsEntriesByNameThenTheProduct) {
    std::string dir = test::makeTempDir("block");
    test::TestProcess x(test::copySleepProgram(dir, "x.exe"), {"60"});
    test::TestProcess y(test::copySleepProgram(dir, "y.exe"), {"60"});
    std::string product = "tamlo-product-" + std::to_string(getpid()) + ".exe";
    test::TestProcess main(test::copySleepProgram(dir, product), {"60"});
    ASSERT_TRUE(x.started() && y.started() && main.started());
    ASSERT_TRUE(writeRunningProcessBlock(names_, u"C:\\p\\x.exe;y.exe"));

    std::vector<std::string> lines;
    std::mutex linesMutex;
    DebugHook previous = setDebugHook([&](const std::string& line) {
        std::lock_guard<std::mutex> lock(linesMutex);
        lines.push_back(line);
    });
    killRunningProcesses(names_, product);
    setDebugHook(previous);

    EXPECT_TRUE(x.killedBySignal9());
    EXPECT_TRUE(main.killedBySignal9());
    EXPECT_TRUE(y.running());  // text after the last ';' is no entry
    EXPECT_EQ(lines, (std::vector<std::string>{"C:\\p\\x.exe", "x.exe"}));
}

TEST_F(BlockTest, TheProductIsKilledEvenWithoutABlock) {
    std::string dir = test::makeTempDir("block");
    std::string product = "tamlo-product-" + std::to_string(getpid()) + ".exe";
    test::TestProcess main(test::copySleepProgram(dir, product), {"60"});
    killRunningProcesses(names_, product);
    EXPECT_TRUE(main.killedBySignal9());
}

TEST(ProcessesByPath, MatchTheFullPathIgnoringCase) {
    std::string dir = test::makeTempDir("bypath");
    std::string other = test::makeTempDir("bypath-other");
    // Not "x.exe": the block tests kill that name machine-wide and may run meanwhile.
    std::string program = test::copySleepProgram(dir, "bypath.exe");
    test::TestProcess first(program, {"60"});
    test::TestProcess second(program, {"60"});
    test::TestProcess sameName(test::copySleepProgram(other, "bypath.exe"), {"60"});

    std::string upper = program;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    EXPECT_TRUE(isProcessRunning(upper));
    EXPECT_FALSE(isProcessRunning(dir + "/nothing.exe"));

    killProcessesByPath(program);
    EXPECT_TRUE(first.killedBySignal9());
    EXPECT_TRUE(second.killedBySignal9());
    EXPECT_TRUE(sameName.running());
    EXPECT_FALSE(isProcessRunning(program));
}

TEST(ProcessesInFolder, KillOneProcessPerProgramAndTheDaemonLast) {
    std::string dir = test::makeTempDir("folder");
    std::string a = test::copySleepProgram(dir, "a.exe");
    test::TestProcess firstA(a, {"60"}, true);
    test::TestProcess secondA(a, {"60"}, true);
    test::TestProcess b(test::copySleepProgram(dir, "B.EXE"), {"60"}, true);
    test::TestProcess daemon(test::copySleepProgram(dir, "orvmon.exe"), {"60"}, true);
    test::copySleepProgram(dir, "notes.txt");
    ASSERT_TRUE(firstA.started() && secondA.started() && b.started() && daemon.started());

    // The daemon's death is watched while the folder is cleared: by the moment it dies,
    // a.exe and b.exe must already be dead.
    bool othersDeadFirst = false;
    std::thread watcher([&] {
        daemon.waitForHangUp();
        othersDeadFirst = b.hungUp() && (firstA.hungUp() || secondA.hungUp());
    });
    killProcessesInFolder(dir + "\\\\");  // backslashes and a doubled separator
    watcher.join();

    EXPECT_TRUE(othersDeadFirst);
    EXPECT_TRUE(daemon.killedBySignal9());
    EXPECT_TRUE(b.killedBySignal9());
    // One a.exe process per program: the other keeps running.
    EXPECT_NE(firstA.running(), secondA.running());
}

}  // namespace
}  // namespace tamlo::processes
