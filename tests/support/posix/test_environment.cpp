#include "support/test_environment.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace tamlo::test {
namespace {

std::string& root() {
    static std::string value;
    return value;
}

void removeRoot() {
    std::error_code ignored;
    if (!root().empty() && std::getenv("TAMLO_KEEP_TEST_DIRS") == nullptr) {
        std::filesystem::remove_all(root(), ignored);
    }
}

std::string makeDir(const std::string& path) {
    std::filesystem::create_directories(path);
    return path;
}

}  // namespace

void isolateEnvironment() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tamlo-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create the test folder");
    }
    root() = pattern;
    std::atexit(removeRoot);
    setenv("HOME", makeDir(root() + "/home").c_str(), 1);
    setenv("XDG_DATA_HOME", makeDir(root() + "/home/.local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", makeDir(root() + "/home/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", makeDir(root() + "/home/.cache").c_str(), 1);
    std::string runtime = makeDir(root() + "/runtime");
    chmod(runtime.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("XDG_DESKTOP_DIR", makeDir(root() + "/home/Desktop").c_str(), 1);
    setenv("TMPDIR", makeDir(root() + "/tmp").c_str(), 1);
    setenv("TAMLO_REGISTRY_DIR", makeDir(root() + "/registry").c_str(), 1);
    setenv("TAMLO_REBOOT_COMMAND", "false", 1);
    setenv("TAMLO_PLATFORM", "headless", 1);
}

const std::string& isolatedRoot() {
    return root();
}

std::string makeTempDir(const std::string& hint) {
    static std::atomic<int> counter{0};
    std::string path = root() + "/work/" + hint + "-" + std::to_string(++counter);
    std::filesystem::remove_all(path);
    return makeDir(path);
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string binaryPath(const std::string& relative) {
    return std::string(TAMLO_BINARY_DIR) + "/" + relative;
}

std::string sourcePath(const std::string& relative) {
    return std::string(TAMLO_SOURCE_DIR) + "/" + relative;
}

CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extraEnv) {
    CommandResult result;
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);

    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        envStrings.emplace_back(*e);
    }
    for (const auto& extra : extraEnv) {
        envStrings.push_back(extra);
    }
    std::vector<char*> envp;
    for (auto& s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (auto& a : args)
        argp.push_back(a.data());
    argp.push_back(nullptr);

    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (rc != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return result;
    }
    // Read both pipes together so a child filling one of them never blocks.
    std::string out, err;
    fd_set fds;
    bool outOpen = true, errOpen = true;
    char buffer[4096];
    while (outOpen || errOpen) {
        FD_ZERO(&fds);
        if (outOpen)
            FD_SET(outPipe[0], &fds);
        if (errOpen)
            FD_SET(errPipe[0], &fds);
        if (select(std::max(outPipe[0], errPipe[0]) + 1, &fds, nullptr, nullptr, nullptr) < 0) {
            break;
        }
        if (outOpen && FD_ISSET(outPipe[0], &fds)) {
            ssize_t n = read(outPipe[0], buffer, sizeof buffer);
            if (n <= 0)
                outOpen = false;
            else
                out.append(buffer, size_t(n));
        }
        if (errOpen && FD_ISSET(errPipe[0], &fds)) {
            ssize_t n = read(errPipe[0], buffer, sizeof buffer);
            if (n <= 0)
                errOpen = false;
            else
                err.append(buffer, size_t(n));
        }
    }
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = std::move(out);
    result.err = std::move(err);
    return result;
}

}  // namespace tamlo::test
