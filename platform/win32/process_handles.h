#pragma once

#include <string>

namespace tamlo::win32 {

// Ends the process `pid` only if, opened, it still runs the image at `path` (ignoring
// case), then waits up to `waitMs` for it to go. Never the calling process.
bool terminateIfRunningImage(int pid, const std::string& path, int waitMs);

}  // namespace tamlo::win32
