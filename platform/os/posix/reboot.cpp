#include "platform/os/reboot.h"

#include <cstdlib>

#include "platform/os/shell_execute.h"

namespace tamlo::power {

RebootOutcome requestReboot() {
    // Set, even empty, the variable wins: a test environment can never reach systemctl.
    const char* replacement = std::getenv("TAMLO_REBOOT_COMMAND");
    shell::CommandStatus status = replacement != nullptr
                                      ? shell::runAndWait({"/bin/sh", "-c", replacement})
                                      : shell::runAndWait({"systemctl", "reboot"});
    RebootOutcome outcome;
    outcome.started = status.started;
    outcome.exitCode = status.exitCode;
    return outcome;
}

}  // namespace tamlo::power
