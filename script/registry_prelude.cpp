#include "script/registry_prelude.h"

#include <lua.hpp>

#include <cstring>

#include "script/registry_prelude_text.h"

namespace tamlo {

// The text lives in registry_prelude.lua, so it is edited and checked as Lua.
const char* registryPreludeSource() {
    return kRegistryPreludeText;
}

bool loadRegistryPrelude(lua_State* L) {
    const char* source = registryPreludeSource();
    if (luaL_loadbuffer(L, source, std::strlen(source), "=prelude") != LUA_OK) {
        return false;
    }
    return lua_pcall(L, 0, 0, 0) == LUA_OK;
}

}  // namespace tamlo
