#pragma once

#include <string>

// Process matching for scripts: by full image path or by image file name, both ignoring
// case. Termination is SIGKILL followed by a wait of up to 10 seconds for the process to
// go; the killed process's parent sees death by signal 9. Never the calling process.
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
