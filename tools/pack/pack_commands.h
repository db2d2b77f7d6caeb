#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tamlo::pack {

// Each command takes the arguments after its name, prints its results on stdout and
// returns the exit status; on failure `error` holds a one-line reason.
enum ExitStatus { kSuccess = 0, kFailure = 1, kUsage = 2 };

int runCreate(const std::vector<std::string>& args, std::string* error);
int runList(const std::vector<std::string>& args, std::string* error);
int runExtract(const std::vector<std::string>& args, std::string* error);
int runVerify(const std::vector<std::string>& args, std::string* error);
int runBuild(const std::vector<std::string>& args, std::string* error);
int runCheck(const std::vector<std::string>& args, std::string* error);
// Prints the project's mistakes on stderr; false (with `error`) when any is an error,
// unless `force`.
bool checkBeforeBuild(const std::string& project, bool force, std::string* error);
int runSign(const std::vector<std::string>& args, std::string* error);
int runBundleList(const std::vector<std::string>& args, std::string* error);
// The value of --block (MiB of unpacked bytes per solid block) in bytes; false with the
// usage text in `error` when it is not a whole number from 1 to 64.
bool parseBlockSize(const std::string& value, size_t* bytes, std::string* error);

}  // namespace tamlo::pack
