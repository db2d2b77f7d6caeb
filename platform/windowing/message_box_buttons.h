#pragma once

#include <cstdint>
#include <vector>

namespace tamlo::platform {

// The buttons a message box of the given MB_ type shows, in order, and the one
// chosen when the user just presses Enter (MB_DEFBUTTONn, falling back to the first).
std::vector<int> messageBoxButtons(uint32_t type);
int messageBoxDefaultAnswer(uint32_t type);

}  // namespace tamlo::platform
