#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

// Programs the system-function tests start and end themselves: copies of /bin/sleep
// under names such as "x.exe", so process matching has something harmless to find.
namespace tamlo::test {

// Copies /bin/sleep to folder/name, executable. Returns the copy's path.
inline std::string copySleepProgram(const std::string& folder, const std::string& name) {
    std::string path = folder + "/" + name;
    std::filesystem::copy_file("/bin/sleep", path,
                               std::filesystem::copy_options::overwrite_existing);
    chmod(path.c_str(), 0755);
    return path;
}

// A child started by the test. Its stdout may be a pipe whose hang-up tells the test
// that the child has died. The destructor kills and reaps a child still running.
class TestProcess {
  public:
    TestProcess(const std::string& program, const std::vector<std::string>& arguments,
                bool watchable = false) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        int pipeFds[2] = {-1, -1};
        if (watchable && pipe2(pipeFds, O_CLOEXEC) == 0) {
            posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        }
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        if (pipeFds[1] >= 0) {
            close(pipeFds[1]);
        }
        watchFd_ = pipeFds[0];
    }
    ~TestProcess() {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitForExit();
        }
        if (watchFd_ >= 0) {
            close(watchFd_);
        }
    }
    TestProcess(const TestProcess&) = delete;
    TestProcess& operator=(const TestProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool started() const { return pid_ > 0; }

    // True while the child runs (it is not reaped by this call).
    bool running() {
        if (reaped_ || pid_ <= 0) {
            return false;
        }
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
            return false;
        }
        return info.si_pid == 0;
    }

    // Blocks until the child has ended and returns its wait status.
    int waitForExit() {
        while (!reaped_ && pid_ > 0) {
            if (waitpid(pid_, &status_, 0) == pid_ || errno != EINTR) {
                reaped_ = true;
            }
        }
        return status_;
    }

    bool killedBySignal9() {
        int status = waitForExit();
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }

    // True when the child's stdout pipe has hung up, i.e. the child is dead. Never blocks.
    bool hungUp() const {
        pollfd entry{watchFd_, POLLIN, 0};
        return poll(&entry, 1, 0) == 1 && (entry.revents & POLLHUP) != 0;
    }

    // Blocks until the pipe hangs up.
    void waitForHangUp() const {
        pollfd entry{watchFd_, POLLIN, 0};
        while (poll(&entry, 1, -1) < 0 && errno == EINTR) {
        }
    }

  private:
    pid_t pid_ = -1;
    int watchFd_ = -1;
    int status_ = 0;
    bool reaped_ = false;
};

}  // namespace tamlo::test
