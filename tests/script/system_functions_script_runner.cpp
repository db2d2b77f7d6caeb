#include "script/system_functions_script_runner.h"

#include <unistd.h>

#include <lua.hpp>

#include "script/system_functions.h"

namespace tamlo::test {
namespace {

int traceback(lua_State* L) {
    const char* message = lua_tostring(L, 1);
    luaL_traceback(L, L, message != nullptr ? message : "(error object is not a string)", 1);
    return 1;
}

// Stack on entry: the loaded chunk, or the load error.
std::string callLoaded(lua_State* L, int loadStatus) {
    std::string error;
    if (loadStatus == LUA_OK) {
        lua_pushcfunction(L, traceback);
        lua_insert(L, -2);
        int base = lua_gettop(L) - 1;
        if (lua_pcall(L, 0, 0, base) != LUA_OK) {
            const char* text = lua_tostring(L, -1);
            error = text != nullptr ? text : "error";
            lua_pop(L, 1);
        }
        lua_remove(L, base);
    } else {
        const char* text = lua_tostring(L, -1);
        error = text != nullptr ? text : "load error";
        lua_pop(L, 1);
    }
    return error;
}

}  // namespace

std::string runLuaFile(lua_State* L, const std::string& path) {
    return callLoaded(L, luaL_loadfilex(L, path.c_str(), "t"));
}

std::string runLuaText(lua_State* L, const std::string& chunk, const std::string& name) {
    return callLoaded(L, luaL_loadbufferx(L, chunk.data(), chunk.size(), name.c_str(), "t"));
}

void isolateRunningProcessTargets() {
    std::string suffix = std::to_string(getpid());
    script::RunningProcessTargets targets;
    targets.block = {"tamlo-test-section-" + suffix, "tamlo-test-lock-" + suffix};
    targets.productImageName = "tamlo-test-product-" + suffix + ".exe";
    script::setRunningProcessTargets(targets);
}

}  // namespace tamlo::test
