#pragma once

#include <string>

// Process matching for scripts: by full image path or by image file name, both ignoring
// case. Termination ends the process at once and waits up to 10 seconds for it to go;
// the exit status its parent sees is the system's own. Never the calling process.
namespace tamlo::processes {

constexpr int kTerminateWaitMs = 10000;

// Every process running the executable at `path` is terminated, one after another.
void killProcessesByPath(const std::string& path);

// True as soon as one process runs the executable at `path`.
bool isProcessRunning(const std::string& path);

// For each "*.exe" file in `folder` ('\' taken as '/') whose path does not contain
// "orvmon.exe": the first process running it is terminated. Then every process named
// "orvmon.exe" is terminated, so the daemon always goes last.
void killProcessesInFolder(const std::string& folder);

}  // namespace tamlo::processes
