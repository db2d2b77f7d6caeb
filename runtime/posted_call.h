#pragma once

#include <cstdint>

namespace tamlo {

// A call run later on the UI thread by the dispatcher window: method(object, a1, a2).
using PostedMethod = void (*)(void* object, std::uintptr_t argument1, std::uintptr_t argument2);

// Posts the call when the UI context exists; returns false (nothing posted) otherwise.
// Callable from any thread.
bool postCall(void* object, PostedMethod method, std::uintptr_t argument1,
              std::uintptr_t argument2);

}  // namespace tamlo
