#include "platform/os/command_line.h"

namespace tamlo::os {

std::vector<std::string> readProgramArguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc && argv != nullptr; ++i) {
        if (argv[i] != nullptr) {
            arguments.emplace_back(argv[i]);
        }
    }
    return arguments;
}

}  // namespace tamlo::os
