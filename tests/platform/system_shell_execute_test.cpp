#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/os/reboot.h"
#include "platform/os/shell_execute.h"
#include "support/test_environment.h"

namespace tamlo::shell {
namespace {

using Words = std::vector<std::string>;

TEST(SplitParameters, SplitsLikeAShellWithoutExpanding) {
    EXPECT_EQ(splitParameters(""), Words{});
    EXPECT_EQ(splitParameters("  /s   /n\t/i  "), (Words{"/s", "/n", "/i"}));
    EXPECT_EQ(splitParameters("-c 'exit 3'"), (Words{"-c", "exit 3"}));
    EXPECT_EQ(splitParameters("\"C:\\\\Program Files\\\\x\" \"a\\\"b\""),
              (Words{"C:\\Program Files\\x", "a\"b"}));
    EXPECT_EQ(splitParameters("one\\ word $HOME `id` *"),
              (Words{"one word", "$HOME", "`id`", "*"}));
    EXPECT_EQ(splitParameters("a''b \"\" 'c"), (Words{"ab", "", "c"}));
    EXPECT_EQ(splitParameters("tail\\"), Words{"tail"});
}

TEST(FindExecutable, NeedsAnExecutableRegularFile) {
    std::string dir = test::makeTempDir("exec");
    ASSERT_TRUE(test::writeFile(dir + "/doc.txt", "text"));
    EXPECT_EQ(findExecutable(dir + "/doc.txt"), "");
    EXPECT_EQ(findExecutable(dir), "");  // folders are searchable, not runnable
    EXPECT_EQ(findExecutable("/bin/sh"), "/bin/sh");
    EXPECT_FALSE(findExecutable("sh").empty());
    EXPECT_EQ(findExecutable("no-such-program-anywhere"), "");
}

TEST(ShellExecute, WaitingReportsTheExitCode) {
    ExecuteResult result = shellExecute("/bin/sh", "-c 'exit 3'", "open", kWaitForExit);
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.ended);
    EXPECT_EQ(result.exitCode, 3);

    result = shellExecute("sh", "-c 'kill -9 $$'", "", kWaitForExit);
    EXPECT_TRUE(result.ended);
    EXPECT_EQ(result.exitCode, 128 + 9);
}

TEST(ShellExecute, WithoutWaitingReportsTheStart) {
    ExecuteResult result = shellExecute("/bin/sh", "-c 'exit 0'", "open", 0);
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.ended);

    EXPECT_FALSE(shellExecute("", "", "open", kWaitForExit).started);
    EXPECT_FALSE(shellExecute("/no/such/program", "", "open", 0).started &&
                 findExecutable("xdg-open").empty());
}

TEST(ShellExecute, ALocalPathThatDoesNotExistStartsNoOpener) {
    // A stand-in opener on PATH records every call, so a start would leave its mark.
    std::string dir = test::makeTempDir("opener");
    ASSERT_TRUE(test::writeFile(dir + "/xdg-open",
                                "#!/bin/sh\necho \"$1\" >> " + dir + "/calls\nexit 2\n"));
    ASSERT_EQ(chmod((dir + "/xdg-open").c_str(), 0755), 0);
    ASSERT_TRUE(test::writeFile(dir + "/doc.txt", "text"));
    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath ? oldPath : "";
    setenv("PATH", (dir + ":" + savedPath).c_str(), 1);

    for (const std::string& missing : {dir + "/missing.txt", std::string("missing-here.txt"),
                                       "file://" + dir + "/missing%20file.txt"}) {
        EXPECT_FALSE(shellExecute(missing, "", "open", kWaitForExit).started) << missing;
    }
    ExecuteResult present = shellExecute(dir + "/doc.txt", "", "open", kWaitForExit);
    ExecuteResult url = shellExecute("https://example.invalid/x", "", "open", kWaitForExit);
    ExecuteResult fileUrl = shellExecute("file://" + dir + "/doc%2Etxt", "", "open", kWaitForExit);
    setenv("PATH", savedPath.c_str(), 1);

    EXPECT_TRUE(present.started);
    EXPECT_TRUE(url.started);
    EXPECT_TRUE(fileUrl.started);
    EXPECT_EQ(test::readFile(dir + "/calls"),
              dir + "/doc.txt\nhttps://example.invalid/x\nfile://" + dir + "/doc%2Etxt\n");
}

TEST(ShellExecute, TheChildInheritsNoDescriptorOfOurs) {
    std::string dir = test::makeTempDir("exec");
    ASSERT_TRUE(test::writeFile(dir + "/open.txt", "x"));
    int fd = open((dir + "/open.txt").c_str(), O_RDONLY);  // deliberately inheritable
    ASSERT_GE(fd, 3);
    std::string script = "-c 'test -e /proc/self/fd/" + std::to_string(fd) + " && exit 7; exit 0'";
    ExecuteResult result = shellExecute("/bin/sh", script, "open", kWaitForExit);
    close(fd);
    EXPECT_TRUE(result.ended);
    EXPECT_EQ(result.exitCode, 0);
}

TEST(RequestReboot, RunsTheReplacementCommandOnly) {
    setenv("TAMLO_REBOOT_COMMAND", "exit 5", 1);
    power::RebootOutcome outcome = power::requestReboot();
    EXPECT_TRUE(outcome.started);
    EXPECT_EQ(outcome.exitCode, 5);

    setenv("TAMLO_REBOOT_COMMAND", "", 1);  // empty still never reaches the real reboot
    outcome = power::requestReboot();
    EXPECT_TRUE(outcome.started);
    EXPECT_EQ(outcome.exitCode, 0);
    setenv("TAMLO_REBOOT_COMMAND", "false", 1);
}

}  // namespace
}  // namespace tamlo::shell
