#pragma once

#include <string>

// What the OS contract tests need to set up files the same way on every system.
namespace tamlo::test {

// A fresh folder below the private test root, spelled with the system's separator.
std::string contractFolder(const std::string& hint);
// `folder` and `name` joined with the system's separator ('/' in `name` becomes it too).
std::string inFolder(const std::string& folder, const std::string& name);

// True when anything is at the path, a dangling link included.
bool pathExists(const std::string& path);
// Read-only for everyone: mode 0444 (0555 for a folder) on Linux, the read-only attribute
// on Windows.
void makeReadOnly(const std::string& path);
bool isReadOnly(const std::string& path);

}  // namespace tamlo::test
