// tamlo-run: the author's runner. Runs a project folder (frame/, style/, UI.lua, LG.lua,
// program/) or a built installer without packing.
//   tamlo-run dump-layout PROJECT LAYOUT [--size W,H]

#include <cstdio>
#include <string>
#include <vector>

#include "tools/run/run_commands.h"

namespace {

void printUsage(std::FILE* out) {
    std::fputs("usage:\n", out);
    for (const tamlo::runtool::Command& command : tamlo::runtool::commands()) {
        std::fprintf(out, "  tamlo-run %s %s\n", command.name, command.synopsis);
    }
    std::fputs("  tamlo-run COMMAND --help\n", out);
}

bool asksForHelp(const std::string& argument) {
    return argument == "--help" || argument == "-h";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    const std::string name = argv[1];
    if (asksForHelp(name)) {
        printUsage(stdout);
        return 0;
    }
    for (const tamlo::runtool::Command& command : tamlo::runtool::commands()) {
        if (name == command.name) {
            const std::vector<std::string> arguments(argv + 2, argv + argc);
            for (const std::string& argument : arguments) {
                if (asksForHelp(argument)) {
                    std::printf("usage: tamlo-run %s %s\n%s", command.name, command.synopsis,
                                command.help);
                    return 0;
                }
            }
            return command.run(arguments);
        }
    }
    std::fprintf(stderr, "tamlo-run: unknown command \"%s\"\n", name.c_str());
    printUsage(stderr);
    return 2;
}
