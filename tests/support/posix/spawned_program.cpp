#include "support/spawned_program.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

extern char** environ;

namespace tamlo::test {
namespace {

std::string imageOf(int pid) {
    char buffer[4096];
    ssize_t n = readlink(("/proc/" + std::to_string(pid) + "/exe").c_str(), buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, size_t(n)) : std::string();
}

}  // namespace

SpawnedProgram::SpawnedProgram(const std::string& path) : path_(path) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    std::filesystem::copy_file("/bin/sleep", path,
                               std::filesystem::copy_options::overwrite_existing, error);
    chmod(path.c_str(), 0755);
    std::string name = path;
    std::string seconds = "300";
    char* argv[] = {name.data(), seconds.data(), nullptr};
    if (posix_spawn(&pid_, path.c_str(), nullptr, nullptr, argv, environ) != 0) {
        pid_ = -1;
        return;
    }
    // Until exec completes the child still shows the image of this program.
    for (int i = 0; i < 5000 && imageOf(pid_) != path_ && running(); ++i) {
        usleep(1000);
    }
}

SpawnedProgram::~SpawnedProgram() {
    if (pid_ > 0 && !reaped_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool SpawnedProgram::running() const {
    if (pid_ <= 0 || reaped_) {
        return false;
    }
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

bool SpawnedProgram::diedOfKill() {
    if (pid_ <= 0 || reaped_) {
        return false;
    }
    int status = 0;
    if (waitpid(pid_, &status, 0) != pid_) {
        return false;
    }
    reaped_ = true;
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

}  // namespace tamlo::test
