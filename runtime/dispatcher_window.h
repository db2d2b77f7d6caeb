#pragma once

#include <cstdint>

#include "platform/backend.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/posted_call.h"

namespace tamlo {

// The hidden window whose queue carries posted calls to the UI thread.
constexpr char16_t kDispatcherClassName[] = u"Dispatcher_Corvo124";
// Creates the never-shown 1x1 tool popup; 0 on failure.
platform::WindowHandle createDispatcherWindow();

// Delivers every call still queued for the window, then destroys it.
void drainAndDestroyDispatcherWindow(platform::WindowHandle window);

}  // namespace tamlo
