// The OS contract for processes, built into the Linux and the Windows test programs alike.
// Every process a case ends is a child it started (support/spawned_program.h).
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "platform/os/os_services.h"
#include "support/os_contract.h"
#include "support/spawned_program.h"

namespace tamlo {
namespace {

using Sleeper = test::SpawnedProgram;
using test::inFolder;

// Image names unique to this test process, so parallel test programs never meet.
std::string uniqueName(const std::string& stem) {
    return stem + "-" + std::to_string(os::currentProcessId()) + ".exe";
}

TEST(OsContractProcesses, TheListingShowsAChildWithItsImage) {
    const std::string path = inFolder(test::contractFolder("list"), uniqueName("Lister"));
    Sleeper child(path);
    ASSERT_GT(child.pid(), 0);
    bool found = false;
    for (const os::ProcessInfo& process : os::listProcesses()) {
        if (process.pid == child.pid()) {
            found = true;
            EXPECT_TRUE(os::equalsIgnoringCase(process.imagePath, os::imagePathFor(path)))
                << process.imagePath;
            EXPECT_TRUE(os::equalsIgnoringCase(process.imageName, uniqueName("Lister")));
        }
    }
    EXPECT_TRUE(found);
}

TEST(OsContractProcesses, KillByImageNameIgnoresCaseAndSparesOthers) {
    const std::string dir = test::contractFolder("kill");
    Sleeper target1(inFolder(dir, "one/" + uniqueName("Victim")));
    Sleeper target2(inFolder(dir, "two/" + uniqueName("VICTIM")));
    Sleeper bystander(inFolder(dir, uniqueName("Bystander")));
    ASSERT_TRUE(target1.running() && target2.running() && bystander.running());

    // Neither child is collected before the call: an ended one must count as gone.
    EXPECT_EQ(os::killProcessesByImageName(uniqueName("victim")), 2);
    EXPECT_TRUE(target1.diedOfKill());
    EXPECT_TRUE(target2.diedOfKill());
    EXPECT_TRUE(bystander.running());
}

TEST(OsContractProcesses, KillByImagePathMatchesTheWholePathIgnoringCase) {
    const std::string dir = test::contractFolder("killpath");
    const std::string wanted = inFolder(dir, "a/" + uniqueName("Tool"));
    Sleeper target(wanted);
    Sleeper sameName(inFolder(dir, "b/" + uniqueName("Tool")));
    ASSERT_TRUE(target.running() && sameName.running());

    std::string image = os::imagePathFor(wanted);
    // Only the letters of the file name differ: folders are case-sensitive on Linux.
    const size_t nameAt = image.size() - uniqueName("Tool").size();
    for (size_t i = nameAt; i < image.size(); ++i) {
        image[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(image[i])));
    }
    EXPECT_EQ(os::killProcessesByImagePath(image), 1);
    EXPECT_TRUE(target.diedOfKill());
    EXPECT_TRUE(sameName.running());
}

TEST(OsContractProcesses, NothingMatchingKillsNothingAndNeverTheCaller) {
    EXPECT_EQ(os::killProcessesByImageName(uniqueName("nobody-runs-this")), 0);
    EXPECT_EQ(os::killProcessesByImageName(""), 0);
    EXPECT_EQ(os::killProcessesByImagePath(""), 0);
    EXPECT_FALSE(os::terminateProcess(os::currentProcessId(), 0));
    EXPECT_FALSE(os::terminateProcess(0, 0));
    EXPECT_FALSE(os::terminateIfImage(
        os::currentProcessId(), [](auto&) { return true; }, 0));
}

TEST(OsContractProcesses, TerminateWaitsForTheProcessAndChecksItsImageFirst) {
    const std::string path = inFolder(test::contractFolder("term"), uniqueName("Term"));
    Sleeper child(path);
    ASSERT_GT(child.pid(), 0);
    EXPECT_FALSE(os::terminateIfImage(
        child.pid(), [](const std::string&) { return false; }, 0));
    EXPECT_TRUE(child.running());

    std::string seen;
    EXPECT_TRUE(os::terminateIfImage(
        child.pid(),
        [&](const std::string& running) {
            seen = running;
            return true;
        },
        10000));
    EXPECT_TRUE(os::equalsIgnoringCase(seen, os::imagePathFor(path))) << seen;
    EXPECT_TRUE(child.diedOfKill());

    Sleeper second(path);
    ASSERT_GT(second.pid(), 0);
    EXPECT_TRUE(os::terminateProcess(second.pid(), 10000));
    EXPECT_FALSE(second.running());
    EXPECT_TRUE(second.diedOfKill());
}

}  // namespace
}  // namespace tamlo
