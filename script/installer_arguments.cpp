#include "script/installer_arguments.h"

#include <lua.hpp>

#include "platform/os/command_line.h"
#include "script/guarded_function.h"
#include "script/lua_arguments.h"
#include "script/script_host.h"

namespace tamlo::script {
namespace {

std::optional<int>& exitCodeSlot() {
    static std::optional<int> code;
    return code;
}

// getArguments() -> { "--silent", "--dir", "/opt/x", ... }
int getArgumentsFunction(lua_State* L) {
    const std::vector<std::string>& arguments = os::programArguments();
    lua_createtable(L, static_cast<int>(arguments.size()), 0);
    for (size_t i = 0; i < arguments.size(); ++i) {
        lua_pushlstring(L, arguments[i].data(), arguments[i].size());
        lua_rawseti(L, -2, static_cast<int>(i + 1));
    }
    return 1;
}

// setExitCode(n): the last call wins; 0 stays the default.
int setExitCodeFunction(lua_State* L) {
    exitCodeSlot() = int32Argument(L, 1);
    return 0;
}

void registerInstallerArguments(lua_State* L) {
    lua_register(L, "getArguments", guarded<getArgumentsFunction>);
    lua_register(L, "setExitCode", guarded<setExitCodeFunction>);
}

}  // namespace

void installInstallerArguments() {
    ScriptHost::instance().addRegistrar(registerInstallerArguments);
}

std::optional<int> requestedExitCode() {
    return exitCodeSlot();
}

void clearRequestedExitCode() {
    exitCodeSlot().reset();
}

}  // namespace tamlo::script
