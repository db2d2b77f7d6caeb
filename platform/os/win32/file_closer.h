#pragma once

namespace tamlo::files {

// Hands a C runtime descriptor to the thread that closes written files.
void closeLater(int descriptor);

}  // namespace tamlo::files
