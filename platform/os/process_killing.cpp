#include "platform/os/os_services.h"

// Ending processes by what they run: each match found in a listing is checked again through
// the system's handle on it before it is ended (terminateIfImage).
namespace tamlo::os {
namespace {

int killMatching(int waitMs, const std::function<bool(const std::string&)>& matches) {
    int killed = 0;
    const int self = currentProcessId();
    for (const ProcessInfo& process : listProcesses()) {
        if (process.pid != self && matches(process.imagePath) &&
            terminateIfImage(process.pid, matches, waitMs)) {
            ++killed;
        }
    }
    return killed;
}

}  // namespace

int killProcessesByImageName(const std::string& name, int waitMs) {
    if (name.empty()) {
        return 0;
    }
    return killMatching(waitMs, [&](const std::string& imagePath) {
        return equalsIgnoringCase(imageFileName(imagePath), name);
    });
}

int killProcessesByImagePath(const std::string& path, int waitMs) {
    if (path.empty()) {
        return 0;
    }
    return killMatching(
        waitMs, [&](const std::string& imagePath) { return equalsIgnoringCase(imagePath, path); });
}

}  // namespace tamlo::os
