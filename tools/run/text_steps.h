#pragma once

#include <string>

#include "tools/run/show_steps.h"

namespace tamlo {
class WindowImpl;
}

namespace tamlo::runtool {

// Runs a text-input step against `window` (the front one; may be null for the clipboard
// steps). False with `why` set when it did not hold.
bool runTextStep(const ShowStep& step, WindowImpl* window, std::string& why);

}  // namespace tamlo::runtool
