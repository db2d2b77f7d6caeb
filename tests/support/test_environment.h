#pragma once

#include <string>
#include <vector>

namespace tamlo::test {

// Points HOME, XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME, XDG_RUNTIME_DIR,
// TMPDIR and TAMLO_REGISTRY_DIR at fresh folders below one private root, selects
// the headless platform, and removes the root when the process exits.
void isolateEnvironment();

// The private root made by isolateEnvironment().
const std::string& isolatedRoot();

// A fresh, empty folder below the private root, unique per call.
std::string makeTempDir(const std::string& hint = "t");

// Writes `bytes` to `path`, creating missing parent folders. Returns false on failure.
bool writeFile(const std::string& path, const std::string& bytes);

// Reads a whole file; empty when it cannot be read.
std::string readFile(const std::string& path);

// Paths into the build and source trees.
std::string binaryPath(const std::string& relative);
std::string sourcePath(const std::string& relative);

struct CommandResult {
    int exitCode = -1;  // -1 when the command did not exit normally
    std::string out;
    std::string err;
};

// Runs argv[0] with the given arguments (no shell), capturing stdout and stderr.
CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extraEnv = {});

}  // namespace tamlo::test
