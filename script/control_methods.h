#pragma once

namespace tamlo::script {

// Gives every new control wrapper the common control methods, then the methods of its
// type ("Panel", "Button", "PowerPoint", "ProgressBar"). Call before the host starts.
void installControlMethods();

}  // namespace tamlo::script
