#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// OS services that do not depend on the window system. Paths are UTF-8.
// Failures are reported by return values; nothing here throws.
namespace tamlo::os {

// $TMPDIR, else /tmp, always with a trailing '/'.
std::string tempPath();

// The machine's boot time (btime of /proc/stat) as 8 little-endian bytes; all zero when
// it cannot be read. It changes at every boot, as a shutdown time does.
std::array<uint8_t, 8> bootTimeBytes();

// A machine-wide named lock, held while the object lives and released on process exit.
class InstanceLock {
  public:
    enum class Result { Acquired, AlreadyHeld, Failed };
    virtual ~InstanceLock() = default;
    // Tries to take the lock `name`. `result` says whether another process holds it.
    static std::unique_ptr<InstanceLock> acquire(const std::string& name, Result* result);
};

// Full paths of the plain files in `folder` whose name matches the glob `pattern`
// (fnmatch, ignoring case as a Windows search does), sorted by name; no sub-folders,
// no links, no recursion. A missing folder lists nothing.
std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern);

// Deletes everything below `folder` and the folder itself. Read-only entries are made
// deletable first; a symbolic link is removed, never followed. No failure is reported.
void deleteTree(const std::string& folder);

struct ProcessInfo {
    int pid = 0;
    std::string imagePath;  // target of /proc/PID/exe
    std::string imageName;  // its file name
};

// The processes whose executable can be inspected; others are skipped.
std::vector<ProcessInfo> listProcesses();

// Terminates (SIGKILL) every process whose image file name equals `name` ignoring case,
// waiting up to `waitMs` for each to go (a zombie counts as gone). Never the calling
// process; processes that cannot be inspected are skipped. Returns how many processes
// were signalled. Where Windows gives a killed process exit code -8, here its parent
// sees death by SIGKILL.
int killProcessesByImageName(const std::string& name, int waitMs = 10000);

// The same, matched on the full image path ignoring case.
int killProcessesByImagePath(const std::string& path, int waitMs = 10000);

// Sends SIGKILL to `pid` and waits up to `waitMs` for it to disappear (or become a zombie).
bool terminateProcess(int pid, int waitMs);

// Case-insensitive comparison of UTF-8 texts (ASCII and the Unicode simple case folding
// that towlower provides).
bool equalsIgnoringCase(const std::string& a, const std::string& b);

// The full path of the running executable (/proc/self/exe).
std::string executablePath();

}  // namespace tamlo::os
