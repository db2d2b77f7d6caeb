#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/os_services.h"
#include "support/test_environment.h"

extern char** environ;

namespace tamlo {
namespace {

// A copy of /bin/sleep under a name of the test's choosing, started by the test.
class Sleeper {
  public:
    explicit Sleeper(const std::string& path) : path_(path) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::filesystem::copy_file("/bin/sleep", path,
                                   std::filesystem::copy_options::overwrite_existing);
        chmod(path.c_str(), 0755);
        std::string name = path;
        std::string seconds = "300";
        char* argv[] = {name.data(), seconds.data(), nullptr};
        if (posix_spawn(&pid_, path.c_str(), nullptr, nullptr, argv, environ) != 0) {
            pid_ = -1;
        }
    }
    ~Sleeper() {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    int pid() const { return pid_; }

    // Reaps the child and tells whether it died of SIGKILL.
    bool diedOfKill() {
        int status = 0;
        if (waitpid(pid_, &status, 0) != pid_) {
            return false;
        }
        reaped_ = true;
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }
    // True while the child has not exited (it is not reaped).
    bool running() const {
        siginfo_t info{};
        return waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               info.si_pid == 0;
    }

  private:
    std::string path_;
    pid_t pid_ = -1;
    bool reaped_ = false;
};

// Image names unique to this test process, so parallel test programs never meet.
std::string uniqueName(const std::string& stem) {
    return stem + "-" + std::to_string(getpid()) + ".exe";
}

// The image may still be the spawning copy of ourselves for an instant after posix_spawn.
void waitForImage(int pid, const std::string& path) {
    for (int i = 0; i < 2000; ++i) {
        for (const auto& p : os::listProcesses()) {
            if (p.pid == pid && p.imagePath == path) {
                return;
            }
        }
        usleep(1000);
    }
}

TEST(OsProcesses, ListingShowsAChildWithItsImage) {
    std::string path = test::makeTempDir("list") + "/" + uniqueName("Lister");
    Sleeper child(path);
    ASSERT_GT(child.pid(), 0);
    waitForImage(child.pid(), path);
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
    waitForImage(target1.pid(), dir + "/one/" + uniqueName("Victim"));
    waitForImage(target2.pid(), dir + "/two/" + uniqueName("VICTIM"));
    waitForImage(bystander.pid(), dir + "/" + uniqueName("Bystander"));

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
    waitForImage(target.pid(), wanted);
    waitForImage(sameName.pid(), other);

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
