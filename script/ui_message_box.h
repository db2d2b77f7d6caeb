#pragma once

#include <cstdint>
#include <string_view>

namespace tamlo::script {

// A message box from any thread. The window system is not thread-safe, so a worker's box
// is shown by the UI thread through the run queue while the worker waits for the answer
// (a process without a UI queue shows it from the calling thread).
// Without a running backend, or when the queue refuses the box, the text goes to the debug
// sink as "caption: text" and the answer is 0.
int showMessageBoxFromAnyThread(std::u16string_view text, std::u16string_view caption,
                                uint32_t type);

}  // namespace tamlo::script
