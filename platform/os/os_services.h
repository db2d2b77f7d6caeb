#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/os/text_case.h"

// OS services that do not depend on the window system. Paths are UTF-8.
// Failures are reported by return values; nothing here throws.
namespace tamlo::os {

// The user's temporary folder, always with a trailing separator.
std::string tempPath();

// A value of 8 bytes that changes at every boot of the machine (its boot time, little
// endian), as a shutdown time does; all zero when it cannot be had.
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
// (platform/os/glob_match.h), sorted by name; no sub-folders,
// no links, no recursion. A missing folder lists nothing.
std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern);

// Deletes everything below `folder` and the folder itself. Read-only entries are made
// deletable first; a symbolic link is removed, never followed. No failure is reported.
void deleteTree(const std::string& folder);

struct ProcessInfo {
    int pid = 0;
    std::string imagePath;  // the full path of the program it runs
    std::string imageName;  // its file name
};

// The processes whose executable can be inspected; others are skipped.
std::vector<ProcessInfo> listProcesses();

// Ends at once, without letting it clean up, every process whose image file name equals
// `name` ignoring case, waiting up to `waitMs` for each to go (one that ended but was not
// yet collected counts as gone). Never the calling process; processes that cannot be
// inspected are skipped. Returns how many processes were ended. What the parent sees as
// the exit status is the system's own (-8 on Windows, death by signal 9 on Linux).
int killProcessesByImageName(const std::string& name, int waitMs = 10000);

// The same, matched on the full image path ignoring case.
int killProcessesByImagePath(const std::string& path, int waitMs = 10000);

// Ends the process `pid` the same way and waits up to `waitMs` for it to go.
bool terminateProcess(int pid, int waitMs);

// Ends `pid` the same way only if the image it runs, read through the system's own handle
// on it, satisfies `matches`: a process id reused since a listing is never hit. Never the
// calling process.
bool terminateIfImage(int pid, const std::function<bool(const std::string&)>& matches, int waitMs);

// This process's id, as listProcesses reports it.
int currentProcessId();

// The image path the system reports for a process running the program at `path`: links
// resolved on Linux, the full path on Windows. `path` itself when it cannot be resolved.
std::string imagePathFor(const std::string& path);

// The file name at the end of an image path.
std::string imageFileName(const std::string& imagePath);

// The full path of the running program.
std::string executablePath();

// A path that opens the running program's own file: /proc/self/exe on Linux (it holds even
// when the file was renamed), the module's path on Windows.
std::string runningProgramFile();

// Sets an environment variable of this process, seen by the programs it starts and by the
// C runtime's getenv.
void setEnvironmentVariable(const std::string& name, const std::string& value);

}  // namespace tamlo::os
