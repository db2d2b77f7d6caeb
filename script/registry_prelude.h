#pragma once

struct lua_State;

namespace tamlo {

// The engine's own Lua library: the registry functions (lua_addWindow ... lua_onTimer)
// that keep the script-side bookkeeping of windows, controls and timers, and the
// `event` table of event codes. Loaded before "UI.lua"; a UI script that defines the
// same globals replaces them.
const char* registryPreludeSource();

// Runs the prelude in `L` (protected). Returns false and leaves the error message on
// the stack when it fails.
bool loadRegistryPrelude(lua_State* L);

}  // namespace tamlo
