#include "app/engine_stages.h"
#include "app/startup.h"
#include "platform/backend.h"
#include "platform/os/command_line.h"

// The engine interprets one argument, an unattended run ("--silent", or "/S" on Windows);
// the UI script reads them all with getArguments.
int main(int argc, char** argv) {
    tamlo::os::setProgramArguments(tamlo::os::readProgramArguments(argc, argv));
    tamlo::app::StartupOptions options;
    options.unattended = tamlo::os::asksForUnattendedRun(tamlo::os::programArguments());
    if (options.unattended) {
        // No window at all: without a chosen backend, the one that has none.
        tamlo::platform::setDefaultBackend("headless");
    }
    options.stages = tamlo::app::engineStages();
    int status = tamlo::app::runInstaller(options);
    tamlo::platform::stopBackend();
    return status;
}
