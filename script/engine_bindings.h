#pragma once

namespace tamlo::script {

// Everything the UI state offers beyond the system functions: control wrappers and their
// methods, `createWindow` and the window methods, `startWork`. Call before the host
// starts; calling it again adds nothing twice.
void installEngineBindings();

}  // namespace tamlo::script
