#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/os/os_services.h"

// Termination is SIGKILL: where Windows would report exit code -8 for a killed
// process, here its parent sees death by signal 9.
namespace tamlo::os {
namespace {

std::string readLink(const std::string& path) {
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<size_t>(length));
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The image path of `pid`, or empty when it cannot be inspected (another user's
// process, a kernel thread, a process that has just gone).
std::string imagePathOf(int pid) {
    std::string target = readLink("/proc/" + std::to_string(pid) + "/exe");
    // An image whose file was deleted or replaced reads "<path> (deleted)".
    const std::string deleted = " (deleted)";
    struct stat info;
    if (target.size() > deleted.size() &&
        target.compare(target.size() - deleted.size(), deleted.size(), deleted) == 0 &&
        lstat(target.c_str(), &info) != 0) {
        target.resize(target.size() - deleted.size());
    }
    return target;
}

// True once `pid` no longer runs: gone from /proc, or a zombie waiting for its parent.
bool hasEnded(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) {
        return true;
    }
    // The state follows the command name, which is in parentheses and may hold any byte.
    size_t close = text.rfind(')');
    if (close == std::string::npos || close + 2 >= text.size()) {
        return true;
    }
    char state = text[close + 2];
    return state == 'Z' || state == 'X' || state == 'x';
}

int openPidFd(int pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

bool signalPidFd(int pidFd) {
#ifdef SYS_pidfd_send_signal
    return syscall(SYS_pidfd_send_signal, pidFd, SIGKILL, nullptr, 0) == 0;
#else
    (void)pidFd;
    return false;
#endif
}

// The pid descriptor turns readable when the process has exited (zombie or reaped).
bool waitPidFd(int pidFd, int waitMs) {
    pollfd entry{pidFd, POLLIN, 0};
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        int rc = poll(&entry, 1, static_cast<int>(std::max<int64_t>(0, left.count())));
        if (rc > 0) {
            return true;
        }
        if (rc == 0 || errno != EINTR) {
            return false;
        }
    }
}

bool waitByPolling(int pid, int waitMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (!hasEnded(pid)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace

std::vector<ProcessInfo> listProcesses() {
    std::vector<ProcessInfo> processes;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        return processes;
    }
    while (dirent* entry = readdir(proc)) {
        const char* name = entry->d_name;
        char* end = nullptr;
        long pid = std::strtol(name, &end, 10);
        if (*name < '1' || *name > '9' || *end != '\0' || pid <= 0 || pid > INT32_MAX) {
            continue;
        }
        std::string image = imagePathOf(static_cast<int>(pid));
        if (image.empty()) {
            continue;
        }
        ProcessInfo info;
        info.pid = static_cast<int>(pid);
        info.imageName = imageFileName(image);
        info.imagePath = std::move(image);
        processes.push_back(std::move(info));
    }
    closedir(proc);
    return processes;
}

bool terminateProcess(int pid, int waitMs) {
    if (pid <= 0 || pid == static_cast<int>(getpid())) {
        return false;
    }
    int pidFd = openPidFd(pid);
    if (pidFd >= 0) {
        bool signalled = signalPidFd(pidFd);
        if (signalled) {
            waitPidFd(pidFd, waitMs);
        }
        close(pidFd);
        return signalled;
    }
    if (errno != ENOSYS || kill(pid, SIGKILL) != 0) {
        return false;
    }
    waitByPolling(pid, waitMs);
    return true;
}

// The pid descriptor is taken before the check, so a pid reused in between cannot be hit.
bool terminateIfImage(int pid, const std::function<bool(const std::string&)>& matches, int waitMs) {
    if (pid <= 0 || pid == static_cast<int>(getpid())) {
        return false;
    }
    int pidFd = openPidFd(pid);
    if (pidFd < 0) {
        if (errno != ENOSYS) {
            return false;
        }
        std::string image = imagePathOf(pid);
        return !image.empty() && matches(image) && terminateProcess(pid, waitMs);
    }
    bool killed = false;
    std::string image = imagePathOf(pid);
    if (!image.empty() && matches(image) && signalPidFd(pidFd)) {
        killed = true;
        waitPidFd(pidFd, waitMs);
    }
    close(pidFd);
    return killed;
}

int currentProcessId() {
    return static_cast<int>(getpid());
}

// /proc reports resolved image paths: a folder given with doubled separators, "." or a
// link in it must still find its programs.
std::string imagePathFor(const std::string& path) {
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : path;
}

std::string imageFileName(const std::string& imagePath) {
    size_t slash = imagePath.rfind('/');
    return slash == std::string::npos ? imagePath : imagePath.substr(slash + 1);
}

}  // namespace tamlo::os
