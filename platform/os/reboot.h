#pragma once

namespace tamlo::power {

struct RebootOutcome {
    bool started = false;  // the reboot command could be run at all
    int exitCode = 0;      // its exit status when it ran; 0 means the machine is going down
};

// Asks the system to reboot: `systemctl reboot`, or TAMLO_REBOOT_COMMAND run through
// /bin/sh -c when that variable is set, even empty (tests set it: they must never reboot).
// On Windows: ExitWindowsEx with the shutdown privilege, the variable run through cmd /c.
RebootOutcome requestReboot();

}  // namespace tamlo::power
