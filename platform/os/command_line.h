#pragma once

#include <string>
#include <vector>

// The installer's own arguments. The engine interprets one of them (an unattended run);
// every other one is the UI script's to read.
namespace tamlo::os {

// The arguments after the program's name, as UTF-8. On Windows the wide command line is
// split by the system's own rules (CommandLineToArgvW), since argv is in the ANSI code
// page there; elsewhere argv as given.
std::vector<std::string> readProgramArguments(int argc, char** argv);

// The process-wide copy the scripts read; set once by the entry point.
void setProgramArguments(std::vector<std::string> arguments);
const std::vector<std::string>& programArguments();

// True for "--silent" anywhere, and on Windows also "/S" (either case).
bool asksForUnattendedRun(const std::vector<std::string>& arguments);

}  // namespace tamlo::os
