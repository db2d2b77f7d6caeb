#include "app/engine_stages.h"
#include "app/startup.h"
#include "platform/backend.h"

// The installer reads nothing from its command line.
int main() {
    tamlo::app::StartupOptions options;
    options.stages = tamlo::app::engineStages();
    int status = tamlo::app::runInstaller(options);
    tamlo::platform::stopBackend();
    return status;
}
