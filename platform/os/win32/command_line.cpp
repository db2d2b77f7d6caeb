#include "platform/os/command_line.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/os/win32/wide_text.h"

namespace tamlo::os {

std::vector<std::string> readProgramArguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* split = CommandLineToArgvW(GetCommandLineW(), &count);
    if (split == nullptr) {
        return arguments;
    }
    for (int i = 1; i < count; ++i) {
        arguments.push_back(win32::narrow(split[i]));
    }
    LocalFree(split);
    return arguments;
}

}  // namespace tamlo::os
