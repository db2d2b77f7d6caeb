#pragma once

#include <string>

struct lua_State;

namespace tamlo::test {

// Runs a Lua file in `L` under lua_pcall with a traceback. Returns the error text, or an
// empty text when the script ran to its end.
std::string runLuaFile(lua_State* L, const std::string& path);

// Runs a Lua chunk given as text the same way.
std::string runLuaText(lua_State* L, const std::string& chunk, const std::string& name = "=test");

// Points the running-process functions at a block and a product name of this test
// process, so no script run by a test can reach the installed product.
void isolateRunningProcessTargets();

}  // namespace tamlo::test
