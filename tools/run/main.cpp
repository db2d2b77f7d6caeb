// tamlo-run: the author's runner. Runs a project folder (frame/, style/, UI.lua, LG.lua,
// program/) or a built installer without packing.
//   tamlo-run dump-layout PROJECT LAYOUT [--size W,H]
// Every command takes --scale F: windows are drawn at F device pixels to a logical one, as
// on a monitor of F x 96 DPI (headless and screenshots; the desktop reports its own).

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/display_scale.h"
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

// Takes "--scale F" out of the arguments into TAMLO_SCALE, which the headless backend and
// the screenshot command read. False for a scale that is none.
bool takeScale(std::vector<std::string>& arguments) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] != "--scale") {
            continue;
        }
        if (i + 1 == arguments.size() || !tamlo::parseDisplayScale(arguments[i + 1])) {
            std::fputs("tamlo-run: --scale wants a number from 0.5 to 4 (1.5, 150%, 2x)\n", stderr);
            return false;
        }
#ifdef _WIN32
        _putenv_s("TAMLO_SCALE", arguments[i + 1].c_str());
#else
        setenv("TAMLO_SCALE", arguments[i + 1].c_str(), 1);
#endif
        arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i),
                        arguments.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        --i;
    }
    return true;
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
            std::vector<std::string> arguments(argv + 2, argv + argc);
            for (const std::string& argument : arguments) {
                if (asksForHelp(argument)) {
                    std::printf("usage: tamlo-run %s %s\n%s", command.name, command.synopsis,
                                command.help);
                    return 0;
                }
            }
            if (!takeScale(arguments)) {
                return 2;
            }
            return command.run(arguments);
        }
    }
    std::fprintf(stderr, "tamlo-run: unknown command \"%s\"\n", name.c_str());
    printUsage(stderr);
    return 2;
}
