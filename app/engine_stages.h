#pragma once

#include "app/startup.h"

namespace tamlo::app {

// The stages the shipped program runs between the resource registry and tear-down.
// Subsystems that bring up the UI and the script host are wired in here.
StartupStages engineStages();

}  // namespace tamlo::app
