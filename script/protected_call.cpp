#include "script/protected_call.h"

#include "script/guarded_function.h"

namespace tamlo::script {
namespace {

struct GuardedBody {
    lua_CFunction body;
    void* context;
};

// Stack: [1] light userdata -> GuardedBody, replaced by the body's own context.
int runGuardedBody(lua_State* L) {
    const GuardedBody* guardedBody = static_cast<const GuardedBody*>(lua_touserdata(L, 1));
    lua_pushlightuserdata(L, guardedBody->context);
    lua_replace(L, 1);
    return callCatching(L, guardedBody->body);
}

}  // namespace

bool protectedCall(lua_State* L, lua_CFunction body, void* context, int results,
                   std::string* error) {
    int base = lua_gettop(L);
    if (!lua_checkstack(L, 4)) {
        if (error) {
            *error = "Lua stack overflow";
        }
        return false;
    }
    // The body's C++ exceptions end as Lua errors of this call.
    GuardedBody guardedBody{body, context};
    lua_pushcfunction(L, runGuardedBody);
    lua_pushlightuserdata(L, &guardedBody);
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
