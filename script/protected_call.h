#pragma once

#include <string>

#include <lua.hpp>

namespace tamlo::script {

// Runs `body(L)` under lua_pcall with `context` as its only argument (a light userdata
// at index 1), so Lua errors raised inside it - by registry functions, script handlers
// or allocation - never unwind through C++ frames. The body returns its result count
// as a lua_CFunction does; `results` values are left on the stack on success. On failure
// nothing is left on the stack and `error` (when given) receives the message.
bool protectedCall(lua_State* L, lua_CFunction body, void* context, int results,
                   std::string* error);

// Reads the light userdata context inside a body.
template <class T>
T* callContext(lua_State* L) {
    return static_cast<T*>(lua_touserdata(L, 1));
}

}  // namespace tamlo::script
