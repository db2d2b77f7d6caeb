#include "platform/os/command_line.h"

namespace tamlo::os {
namespace {

std::vector<std::string>& storedArguments() {
    static std::vector<std::string> arguments;
    return arguments;
}

}  // namespace

void setProgramArguments(std::vector<std::string> arguments) {
    storedArguments() = std::move(arguments);
}

const std::vector<std::string>& programArguments() {
    return storedArguments();
}

bool asksForUnattendedRun(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--silent") {
            return true;
        }
#ifdef _WIN32
        if (argument == "/S" || argument == "/s") {
            return true;
        }
#endif
    }
    return false;
}

}  // namespace tamlo::os
