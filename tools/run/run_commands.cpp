#include "tools/run/run_commands.h"

#include <cstdio>

namespace tamlo::runtool {

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"dump-layout", "PROJECT LAYOUT [--size W,H]", &dumpLayout},
        {"screenshot", "PROJECT LAYOUT OUT.png [--size W,H] [--state ID=STATE]...", &screenshot},
        {"show", "PROJECT LAYOUT [--headless] [--steps FILE] [--out DIR]", &show},
        {"run",
         "PROJECT|INSTALLER [--headless] [--steps FILE] [--out DIR] [--prefix DIR] [--guards] "
         "[--timeout SECONDS]",
         &runInstallerCommand},
    };
    return table;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "tamlo-run: %s\n", message.c_str());
    return 1;
}

}  // namespace tamlo::runtool
