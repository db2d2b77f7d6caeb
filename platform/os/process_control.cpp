#include "platform/os/process_control.h"

#include "platform/os/file_operations.h"
#include "platform/os/os_services.h"

namespace tamlo::processes {
namespace {

constexpr const char* kDaemonImage = "orvmon.exe";

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
    // normalizeSeparators leaves the system's own separator, whichever that is.
    const char separator = files::normalizeSeparators("\\")[0];
    if (base.back() != separator) {
        base += separator;
    }
    const int self = os::currentProcessId();
    for (const std::string& program : os::listFiles(base, "*.exe")) {
        if (program.find(kDaemonImage) != std::string::npos) {
            continue;
        }
        const std::string image = os::imagePathFor(program);
        auto runsIt = [&](const std::string& path) { return os::equalsIgnoringCase(path, image); };
        for (const os::ProcessInfo& process : os::listProcesses()) {
            // Matched again through its own handle before it is ended.
            if (process.pid != self && runsIt(process.imagePath) &&
                os::terminateIfImage(process.pid, runsIt, kTerminateWaitMs)) {
                break;  // one process per program
            }
        }
    }
    os::killProcessesByImageName(kDaemonImage, kTerminateWaitMs);
}

}  // namespace tamlo::processes
