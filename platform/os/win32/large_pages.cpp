#include "platform/os/large_pages.h"

#include <new>

// Large pages need a privilege installers do not hold: plain memory.
namespace tamlo::large_pages {

uint8_t* allocate(size_t size) {
    return new (std::nothrow) uint8_t[size];
}

void release(uint8_t* data) {
    delete[] data;
}

}  // namespace tamlo::large_pages
