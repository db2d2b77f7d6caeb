// tamlo-reg: looks at and changes the registry store as an installation script would.
//   tamlo-reg query ROOT KEY [NAME]
//   tamlo-reg set ROOT KEY NAME sz|dword VALUE
//   tamlo-reg delete ROOT KEY [NAME]
//   tamlo-reg export ROOT [KEY]
// ROOT is HKCU, HKLM, HKCR or HKU. Exit 0 on success; otherwise one line on stderr.

#include <cstdio>
#include <string>
#include <vector>

#include "tools/reg/reg_commands.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            std::fputs(tamlo::regtool::helpText().c_str(), stdout);
            return 0;
        }
    }
    tamlo::regtool::Outcome outcome = tamlo::regtool::run(arguments);
    std::fputs(outcome.output.c_str(), stdout);
    if (!outcome.ok) {
        std::fprintf(stderr, "tamlo-reg: %s\n", outcome.error.c_str());
        return outcome.usageError ? 2 : 1;
    }
    return 0;
}
