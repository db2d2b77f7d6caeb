#include "tools/run/run_commands.h"

#include <cstdio>

namespace tamlo::runtool {

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"dump-layout", "PROJECT LAYOUT [--size W,H]",
         "Prints the control tree of frame/LAYOUT laid out at W,H (default: its initSize), with\n"
         "the project's styles and fonts loaded as a window loads them.\n",
         &dumpLayout},
        {"screenshot", "PROJECT LAYOUT OUT.png [--size W,H] [--state ID=STATE]...",
         "Draws frame/LAYOUT into a PNG without a display. --state ID=over|down|disabled|\n"
         "checked|focus shows control ID in that state.\n",
         &screenshot},
        {"show", "PROJECT LAYOUT [--headless] [--steps FILE] [--out DIR] [--watch]",
         "Shows frame/LAYOUT in a window (no script runs). --steps drives it with a step file\n"
         "(see the README); --out is where its screenshots go. --watch reloads the window,\n"
         "in place, when a file of frame/ or style/ changes; a mistake in it is shown in the\n"
         "window until it is mended.\n",
         &show},
        {"run",
         "PROJECT|INSTALLER [--headless] [--steps FILE] [--out DIR] [--prefix DIR] [--guards] "
         "[--timeout SECONDS]",
         "Runs the whole installer, scripts included, with everything it writes inside the\n"
         "prefix folder (printed; --prefix chooses it). The project is checked first\n"
         "(tamlo-pack check) and its mistakes printed; the run goes on. --headless runs\n"
         "without a display on a virtual clock that `wait` steps advance; --guards keeps the\n"
         "single-instance and restart checks; --timeout ends a run that hangs.\n",
         &runInstallerCommand},
    };
    return table;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "tamlo-run: %s\n", message.c_str());
    return 1;
}

}  // namespace tamlo::runtool
