#pragma once

#include <lua.hpp>

namespace tamlo::script {

// Lua is C: a C++ exception unwinding through its frames would leave the interpreter's
// own call state behind (and end the program). Every function Lua calls therefore runs
// its body through callCatching, which turns an exception into a script error ("not
// enough memory" for a failed allocation), raised once no C++ object is left alive.
int callCatching(lua_State* L, lua_CFunction body);

template <lua_CFunction Body>
int guarded(lua_State* L) {
    return callCatching(L, Body);
}

}  // namespace tamlo::script
