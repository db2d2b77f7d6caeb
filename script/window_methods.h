#pragma once

#include <cstdint>
#include <string>

namespace tamlo::script {

// Adds `createWindow` to the UI state and the window methods to every new window
// wrapper. Call before the host starts.
void installWindowMethods();

// The style package entry `setIcon` takes for an icon id: "icon<ID>.png".
std::u16string iconEntryName(uint32_t id);

}  // namespace tamlo::script
