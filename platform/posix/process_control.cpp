#include "platform/os/process_control.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include "platform/os/file_operations.h"
#include "platform/os/os_services.h"

namespace tamlo::processes {
namespace {

constexpr const char* kDaemonImage = "orvmon.exe";

// /proc reports resolved image paths; a folder given with doubled separators, "." or a
// link in it must still find its programs.
std::string resolved(const std::string& path) {
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : path;
}

}  // namespace

void killProcessesByPath(const std::string& path) {
    os::killProcessesByImagePath(path, kTerminateWaitMs);
}

bool isProcessRunning(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    for (const os::ProcessInfo& process : os::listProcesses()) {
        if (os::equalsIgnoringCase(process.imagePath, path)) {
            return true;
        }
    }
    return false;
}

void killProcessesInFolder(const std::string& folder) {
    std::string base = files::normalizeSeparators(folder);
    if (base.empty()) {
        return;
    }
    if (base.back() != '/') {
        base += '/';
    }
    int self = static_cast<int>(getpid());
    for (const std::string& program : os::listFiles(base, "*.exe")) {
        if (program.find(kDaemonImage) != std::string::npos) {
            continue;
        }
        std::string image = resolved(program);
        for (const os::ProcessInfo& process : os::listProcesses()) {
            if (process.pid != self && os::equalsIgnoringCase(process.imagePath, image)) {
                os::terminateProcess(process.pid, kTerminateWaitMs);
                break;  // one process per program
            }
        }
    }
    os::killProcessesByImageName(kDaemonImage, kTerminateWaitMs);
}

}  // namespace tamlo::processes
