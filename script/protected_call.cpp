#include "script/protected_call.h"

namespace tamlo::script {

bool protectedCall(lua_State* L, lua_CFunction body, void* context, int results,
                   std::string* error) {
    int base = lua_gettop(L);
    if (!lua_checkstack(L, 4)) {
        if (error) {
            *error = "Lua stack overflow";
        }
        return false;
    }
    lua_pushcfunction(L, body);
    lua_pushlightuserdata(L, context);
    if (lua_pcall(L, 1, results, 0) == LUA_OK) {
        return true;
    }
    if (error) {
        size_t length = 0;
        const char* text = lua_tolstring(L, -1, &length);
        if (text != nullptr) {
            error->assign(text, length);
        } else {
            error->assign("(error object is not a string)");
        }
    }
    lua_settop(L, base);
    return false;
}

}  // namespace tamlo::script
