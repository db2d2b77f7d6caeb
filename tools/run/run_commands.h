#pragma once

#include <string>
#include <vector>

namespace tamlo::runtool {

// One command of tamlo-run: its name, its argument synopsis, its help and what runs it. A command
// prints its own output and returns the exit code; errors are one line on stderr.
struct Command {
    const char* name;
    const char* synopsis;
    const char* help;  // what --help adds to the synopsis, line by line
    int (*run)(const std::vector<std::string>& arguments);
};

// Every command, in the order the usage text lists them.
const std::vector<Command>& commands();

int dumpLayout(const std::vector<std::string>& arguments);
int screenshot(const std::vector<std::string>& arguments);
int show(const std::vector<std::string>& arguments);
int runInstallerCommand(const std::vector<std::string>& arguments);

// Prints "tamlo-run: <message>" on stderr and returns 1.
int fail(const std::string& message);

}  // namespace tamlo::runtool
