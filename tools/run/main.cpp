// tamlo-run: the author's runner. Runs a project folder (frame/, style/, UI.lua, LG.lua,
// program/) or a built installer without packing.
//   tamlo-run dump-layout PROJECT LAYOUT [--size W,H]

#include <cstdio>
#include <string>
#include <vector>

#include "tools/run/run_commands.h"

namespace {

void printUsage() {
    std::fputs("usage:\n", stderr);
    for (const tamlo::runtool::Command& command : tamlo::runtool::commands()) {
        std::fprintf(stderr, "  tamlo-run %s %s\n", command.name, command.synopsis);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage();
        return 2;
    }
    const std::string name = argv[1];
    for (const tamlo::runtool::Command& command : tamlo::runtool::commands()) {
        if (name == command.name) {
            return command.run(std::vector<std::string>(argv + 2, argv + argc));
        }
    }
    std::fprintf(stderr, "tamlo-run: unknown command \"%s\"\n", name.c_str());
    printUsage();
    return 2;
}
