#pragma once

#include <cstddef>
#include <cstdint>

// Memory megabytes at a time, on large-page boundaries and advised for large pages where
// the system offers them: fresh 4 KiB pages cost a fault each the first time they are
// written, a large page one fault for 2 MiB. Where there are none (Windows), buffers given
// back are kept a while for later requests they fit, so their pages fault only once.
namespace tamlo::large_pages {

// `size` bytes, not cleared; null when they cannot be had.
uint8_t* allocate(size_t size);
// Gives back what allocate() returned; null is ignored.
void release(uint8_t* data);

}  // namespace tamlo::large_pages
