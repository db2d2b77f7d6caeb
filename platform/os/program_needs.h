#pragma once

#include <string>
#include <vector>

namespace tamlo::os {

// The shared libraries a program file asks the dynamic loader for (the DT_NEEDED names
// of a 64-bit ELF file, in order; on Windows the DLLs of a PE file's import directory).
// False with a reason when the file cannot be read or is not such a file.
bool neededLibraries(const std::string& programPath, std::vector<std::string>* names,
                     std::string* error);

}  // namespace tamlo::os
