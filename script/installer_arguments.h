#pragma once

#include <optional>

// The UI script's view of the process: `getArguments()` gives the installer's arguments
// (UTF-8 strings, the program's name left out) and `setExitCode(n)` the status the
// process returns once the normal tear-down is over.
namespace tamlo::script {

// Adds both globals to the UI state. Call before the host starts.
void installInstallerArguments();

// The status the script set, if it set one.
std::optional<int> requestedExitCode();
void clearRequestedExitCode();

}  // namespace tamlo::script
