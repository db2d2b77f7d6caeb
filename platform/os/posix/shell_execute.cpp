#include "platform/os/shell_execute.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace tamlo::shell {
namespace {

// A URL begins with a scheme of two or more characters and a colon; anything else is a
// local path.
bool hasUrlScheme(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) ||
                               (i > 0 && (text[i] == '+' || text[i] == '-' || text[i] == '.')))) {
        if (i == 0 && !std::isalpha(static_cast<unsigned char>(text[0]))) {
            return false;
        }
        ++i;
    }
    return i >= 2 && i < text.size() && text[i] == ':';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The local path a "file:" URL names (percent escapes decoded), or empty.
std::string pathOfFileUrl(const std::string& url) {
    const std::string prefix = "file://";
    if (url.size() <= prefix.size() || url.compare(0, prefix.size(), prefix) != 0) {
        return {};
    }
    std::string path;
    for (size_t i = prefix.size(); i < url.size(); ++i) {
        if (url[i] == '%' && i + 2 < url.size() && hexValue(url[i + 1]) >= 0 &&
            hexValue(url[i + 2]) >= 0) {
            path += static_cast<char>(hexValue(url[i + 1]) * 16 + hexValue(url[i + 2]));
            i += 2;
        } else if (url[i] == '?' || url[i] == '#') {
            break;
        } else {
            path += url[i];
        }
    }
    return path;
}

bool pathExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0;
}

bool isExecutableFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

int statusToExitCode(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

// Collects the child's exit status in the background so it never stays a zombie.
void reapLater(pid_t pid) {
    try {
        std::thread([pid] {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (...) {
        // No thread to spare: the child stays a zombie until we exit.
    }
}

// Starts argv[0] (a path) with a clean signal state, stdin on /dev/null and every
// descriptor above 2 closed. Returns the pid, or -1.
pid_t spawn(const std::vector<std::string>& argv, bool searchPath) {
    if (argv.empty() || argv[0].empty()) {
        return -1;
    }
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (const std::string& argument : argv) {
        pointers.push_back(const_cast<char*>(argument.c_str()));
    }
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        return -1;
    }
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return -1;
    }
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    // Its own session: the program outlives us and our terminal, as a started program should.
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    int error =
        searchPath
            ? posix_spawnp(&pid, pointers[0], &actions, &attributes, pointers.data(), environ)
            : posix_spawn(&pid, pointers[0], &actions, &attributes, pointers.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

// Waits up to `waitMs` for the child; true with its status when it ended.
bool waitForChild(pid_t pid, int waitMs, int* status) {
#ifdef SYS_pidfd_open
    int pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (pidFd >= 0) {
        pollfd entry{pidFd, POLLIN, 0};
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        int ready = 0;
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            ready = poll(&entry, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
            if (ready >= 0 || errno != EINTR) {
                break;
            }
        }
        close(pidFd);
        if (ready <= 0) {
            return false;
        }
        while (waitpid(pid, status, 0) < 0) {
            if (errno != EINTR) {
                return false;
            }
        }
        return true;
    }
#endif
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        pid_t done = waitpid(pid, status, WNOHANG);
        if (done == pid) {
            return true;
        }
        if (done < 0 && errno != EINTR) {
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

std::vector<std::string> splitParameters(const std::string& parameters) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    size_t i = 0;
    const size_t n = parameters.size();
    while (i < n) {
        char c = parameters[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
            ++i;
            continue;
        }
        inWord = true;
        if (c == '\'') {
            size_t close = parameters.find('\'', i + 1);
            size_t end = close == std::string::npos ? n : close;
            word.append(parameters, i + 1, end - i - 1);
            i = close == std::string::npos ? n : close + 1;
        } else if (c == '"') {
            ++i;
            while (i < n && parameters[i] != '"') {
                char next = i + 1 < n ? parameters[i + 1] : '\0';
                if (parameters[i] == '\\' &&
                    (next == '"' || next == '\\' || next == '$' || next == '`')) {
                    word += next;
                    i += 2;
                } else {
                    word += parameters[i++];
                }
            }
            ++i;  // the closing quote, if any
        } else if (c == '\\') {
            if (i + 1 < n) {
                word += parameters[i + 1];
            }
            i += 2;
        } else {
            word += c;
            ++i;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

std::string findExecutable(const std::string& file) {
    if (file.empty()) {
        return {};
    }
    if (file.find('/') != std::string::npos) {
        return isExecutableFile(file) ? file : std::string();
    }
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) {
            end = folders.size();
        }
        std::string folder = folders.substr(start, end - start);
        std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + file;
        if (isExecutableFile(candidate)) {
            return candidate;
        }
        start = end + 1;
    }
    return {};
}

ExecuteResult shellExecute(const std::string& file, const std::string& parameters,
                           const std::string& /*verb*/, uint32_t mask) {
    ExecuteResult result;
    if (file.empty()) {
        return result;
    }
    std::vector<std::string> argv;
    bool searchPath = false;
    std::string executable = findExecutable(file);
    if (!executable.empty()) {
        argv.push_back(executable);
        for (std::string& word : splitParameters(parameters)) {
            argv.push_back(std::move(word));
        }
    } else {
        // A local path that is not there fails here: the desktop opener would start,
        // fail on its own and be taken for a success.
        const bool url = hasUrlScheme(file);
        const std::string local = url ? pathOfFileUrl(file) : file;
        if ((!url || file.compare(0, 5, "file:") == 0) && !pathExists(local)) {
            return result;
        }
        argv = {"xdg-open", file};
        searchPath = true;
    }
    pid_t pid = spawn(argv, searchPath);
    if (pid < 0) {
        return result;
    }
    result.started = true;
    if ((mask & kWaitForExit) == 0) {
        reapLater(pid);
        return result;
    }
    int status = 0;
    if (!waitForChild(pid, kWaitMilliseconds, &status)) {
        reapLater(pid);
        return result;
    }
    result.ended = true;
    result.exitCode = statusToExitCode(status);
    return result;
}

CommandStatus runAndWait(const std::vector<std::string>& argv) {
    CommandStatus result;
    pid_t pid = spawn(argv, argv.empty() || argv[0].find('/') == std::string::npos);
    if (pid < 0) {
        return result;
    }
    result.started = true;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            result.exitCode = -1;
            return result;
        }
    }
    result.exitCode = statusToExitCode(status);
    return result;
}

}  // namespace tamlo::shell
