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

TEST(OsProcesses, ListingShowsAChildWithItsImage) {
    std::string path = test::makeTempDir("list") + "/" + uniqueName("Lister");
    Sleeper child(path);
    ASSERT_GT(child.pid(), 0);
    bool found = false;
    for (const auto& p : os::listProcesses()) {
        if (p.pid == child.pid()) {
            found = true;
            EXPECT_EQ(p.imagePath, path);
            EXPECT_EQ(p.imageName, uniqueName("Lister"));
        }
    }
    EXPECT_TRUE(found);
}

TEST(OsProcesses, KillByImageNameIgnoresCaseAndSparesOthers) {
    std::string dir = test::makeTempDir("kill");
    Sleeper target1(dir + "/one/" + uniqueName("Victim"));
    Sleeper target2(dir + "/two/" + uniqueName("VICTIM"));
    Sleeper bystander(dir + "/" + uniqueName("Bystander"));

    // Neither child is reaped before the call: their zombies must count as gone.
    EXPECT_EQ(os::killProcessesByImageName(uniqueName("victim")), 2);
    EXPECT_TRUE(target1.diedOfKill());
    EXPECT_TRUE(target2.diedOfKill());
    EXPECT_TRUE(bystander.running());
}

TEST(OsProcesses, KillByImagePathMatchesTheWholePathOnly) {
    std::string dir = test::makeTempDir("killpath");
    std::string wanted = dir + "/a/" + uniqueName("Tool");
    std::string other = dir + "/b/" + uniqueName("Tool");
    Sleeper target(wanted);
    Sleeper sameName(other);

    std::string upper = wanted;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // Folders are case-sensitive on Linux; only the letters of the path differ here.
    EXPECT_EQ(os::killProcessesByImagePath(upper), 1);
    EXPECT_TRUE(target.diedOfKill());
    EXPECT_TRUE(sameName.running());
}

TEST(OsProcesses, NoMatchKillsNothing) {
    EXPECT_EQ(os::killProcessesByImageName(uniqueName("nobody-runs-this")), 0);
    EXPECT_EQ(os::killProcessesByImageName(""), 0);
    EXPECT_EQ(os::killProcessesByImagePath(""), 0);
    EXPECT_FALSE(os::terminateProcess(getpid(), 0));
    EXPECT_FALSE(os::terminateProcess(0, 0));
}

TEST(OsProcesses, TerminateWaitsForTheProcess) {
    std::string path = test::makeTempDir("term") + "/" + uniqueName("Term");
    Sleeper child(path);
    ASSERT_GT(child.pid(), 0);
    EXPECT_TRUE(os::terminateProcess(child.pid(), 10000));
    EXPECT_FALSE(child.running());
    EXPECT_TRUE(child.diedOfKill());
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
