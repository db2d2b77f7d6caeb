#include "script/script_host.h"
#include "script/chunk_names.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include <lua.hpp>

#include "platform/backend.h"
#include "platform/debug_sink.h"
#include "platform/os/command_line.h"
#include "platform/text_encoding.h"
#include "platform/win32_constants.h"
#include "platform/windowing/message_loop.h"
#include "resources/file_system.h"
#include "script/budgeted_state.h"
#include "script/guarded_function.h"
#include "script/protected_call.h"
#include "script/registry_prelude.h"
#include "script/system_functions.h"

namespace tamlo::script {
namespace {

int createRegistries(lua_State* L) {
    lua_newtable(L);
    lua_setfield(L, LUA_REGISTRYINDEX, kWindowRegistry);
    lua_newtable(L);
    lua_setfield(L, LUA_REGISTRYINDEX, kTimerRegistry);
    lua_createtable(L, 2, 0);
    lua_newtable(L);
    lua_rawseti(L, -2, 1);
    lua_newtable(L);
    lua_rawseti(L, -2, 2);
    lua_setfield(L, LUA_REGISTRYINDEX, kControlRegistry);
    return 0;
}

int openLibraries(lua_State* L) {
    luaL_openlibs(L);
    waitForClosingFilesInLibraries(L);
    return 0;
}

struct ChunkRun {
    const char* text;
};

// Loads the script with its own text as the chunk name, so messages begin with
// [string "<first line>..."], and runs it with no arguments.
int runChunk(lua_State* L) {
    auto* run = callContext<ChunkRun>(L);
    if (luaL_loadstring(L, run->text) != LUA_OK) {
        return lua_error(L);
    }
    lua_call(L, 0, LUA_MULTRET);
    return 0;
}

}  // namespace

ScriptHost& ScriptHost::instance() {
    static ScriptHost host;
    return host;
}

void ScriptHost::addRegistrar(Registrar registrar) {
    for (Registrar existing : registrars_) {
        if (existing == registrar) {
            return;
        }
    }
    registrars_.push_back(registrar);
}

bool ScriptHost::start() {
    close();
    hasPendingError_ = false;
    pendingError_.clear();
    lua_State* L = newBudgetedState();
    if (L == nullptr) {
        return false;
    }
    std::string error;
    bool ok =
        protectedCall(L, openLibraries, nullptr, 0, &error) && registerSystemFunctions(L, &error);
    for (size_t i = 0; ok && i < registrars_.size(); ++i) {
        registrars_[i](L);
    }
    ok = ok && protectedCall(L, createRegistries, nullptr, 0, &error);
    if (ok && !loadRegistryPrelude(L)) {
        const char* message = lua_tostring(L, -1);
        error = message ? message : "prelude failed";
        ok = false;
    }
    if (!ok) {
        debugOutput("script host: " + error);
        closeBudgetedState(L);
        return false;
    }
    lua_settop(L, 0);
    state_ = L;
    return true;
}

void ScriptHost::runScript(const std::u16string& name) {
    if (state_ == nullptr) {
        return;
    }
    FileSystem* files = globalFileSystem();
    int size = 0;
    uint8_t* buffer = files ? files->read(name, size) : nullptr;
    if (buffer == nullptr) {
        showError("cannot read " + utf16ToUtf8(name));
    } else {
        ChunkRun run{reinterpret_cast<const char*>(buffer)};
        std::string error;
        bool ok = protectedCall(state_, runChunk, &run, 0, &error);
        // A bridge error that the script did not see raised still ends the run as one.
        std::string pending = takePendingError();
        // The box keeps Lua's own text; the debug output names the file.
        const std::string_view text(reinterpret_cast<const char*>(buffer),
                                    static_cast<std::size_t>(size));
        const std::string& failure = ok ? pending : error;
        if (!failure.empty()) {
            debugOutput(nameChunk(failure, utf16ToUtf8(name), text));
            showError(failure);
        }
        files->free(buffer);
    }
    close();
}

void ScriptHost::close() {
    if (state_ != nullptr) {
        lua_State* L = state_;
        state_ = nullptr;  // destructors reached from closing must not call back in
        closeBudgetedState(L);
    }
}

void ScriptHost::reportBridgeError(const std::string& message) {
    debugOutput("script error: " + message);
    if (!hasPendingError_) {
        hasPendingError_ = true;
        pendingError_ = message;
    }
    if (modalLoopBreaker_) {
        modalLoopBreaker_();
    } else {
        platform::postQuitMessage(0);
    }
}

std::string ScriptHost::takePendingError() {
    hasPendingError_ = false;
    return std::move(pendingError_);
}

void ScriptHost::showError(const std::string& message) {
    lastRunFailed_ = true;
    if (os::asksForUnattendedRun(os::programArguments())) {
        std::fprintf(stderr, "错误: %s\n", message.c_str());
    } else if (platform::backendStarted()) {
        platform::backend().messageBox(0, utf8ToUtf16(message), u"错误", win32::MB_OK);
    } else {
        debugOutput("错误: " + message);
    }
}

void pushRegistryFunction(lua_State* L, const char* name, const char* table) {
    lua_getglobal(L, name);
    lua_getfield(L, LUA_REGISTRYINDEX, table);
}

void pushHandle(lua_State* L, const void* object) {
    pushHandle(L, reinterpret_cast<std::uintptr_t>(object));
}

void pushHandle(lua_State* L, std::uintptr_t handle) {
    lua_pushnumber(L, static_cast<lua_Number>(handle));
}

std::uintptr_t handleFromValue(lua_State* L, int index) {
    if (lua_type(L, index) != LUA_TNUMBER) {
        return 0;
    }
    lua_Number value = lua_tonumber(L, index);
    // Exact integers in the address range only (2^53, or less where addresses are 32-bit);
    // anything else names no object, and is never cast out of range.
    constexpr lua_Number kLargest = std::min(
        9007199254740992.0, static_cast<double>(std::numeric_limits<std::uintptr_t>::max()));
    if (!(value >= 0) || value > kLargest || std::floor(value) != value) {
        return 0;
    }
    return static_cast<std::uintptr_t>(value);
}

}  // namespace tamlo::script
