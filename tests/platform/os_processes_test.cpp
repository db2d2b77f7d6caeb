#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/os/os_services.h"
#include "support/spawned_program.h"
#include "support/test_environment.h"

namespace tamlo {
namespace {

using Sleeper = test::SpawnedProgram;

// Image names unique to this test process, so parallel test programs never meet.
std::string uniqueName(const std::string& stem) {
    return stem + "-" + std::to_string(getpid()) + ".exe";
}

// The check before a kill reads the image through the process's own handle, and a
// program's path is compared as the system reports images: links resolved.
TEST(OsProcesses, TerminateIfImageEndsOnlyAProcessThatStillRunsTheImage) {
    const std::string dir = test::makeTempDir("ifimage");
    const std::string path = dir + "/real/" + uniqueName("Checked");
    Sleeper child(path);
    ASSERT_GT(child.pid(), 0);
    EXPECT_FALSE(os::terminateIfImage(
        child.pid(), [](const std::string&) { return false; }, 0));
    EXPECT_TRUE(child.running());

    std::filesystem::create_directory_symlink(dir + "/real", dir + "/link");
    const std::string image = os::imagePathFor(dir + "/link/" + uniqueName("Checked"));
    EXPECT_EQ(image, std::filesystem::canonical(path).string());
    std::string seen;
    EXPECT_TRUE(os::terminateIfImage(
        child.pid(),
        [&](const std::string& running) {
            seen = running;
            return os::equalsIgnoringCase(running, image);
        },
        10000));
    EXPECT_EQ(seen, image);
    EXPECT_TRUE(child.diedOfKill());
    EXPECT_FALSE(os::terminateIfImage(
        os::currentProcessId(), [](auto&) { return true; }, 0));
}

// Run inside a renamed copy of this program: killing its own image name must
// leave the caller alive.
TEST(OsProcesses, KillNeverHitsTheCallingProcess) {
    const char* probe = std::getenv("TAMLO_KILL_SELF_PROBE");
    if (probe != nullptr) {
        EXPECT_EQ(os::killProcessesByImageName(probe), 0);
        EXPECT_EQ(os::killProcessesByImagePath(os::executablePath()), 0);
        return;
    }
    std::string name = uniqueName("selfprobe");
    std::string copy = test::makeTempDir("self") + "/" + name;
    std::filesystem::copy_file(os::executablePath(), copy);
    chmod(copy.c_str(), 0755);
    auto result =
        test::runCommand({copy, "--gtest_filter=OsProcesses.KillNeverHitsTheCallingProcess"},
                         {"TAMLO_KILL_SELF_PROBE=" + name});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
}

}  // namespace
}  // namespace tamlo
