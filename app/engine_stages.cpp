#include "app/engine_stages.h"

namespace tamlo::app {

StartupStages engineStages() {
    StartupStages stages;
    // The UI context, style set, layout package and script host join here as they land.
    return stages;
}

}  // namespace tamlo::app
