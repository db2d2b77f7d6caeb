#include "script/guarded_function.h"

#include <cstring>
#include <exception>
#include <new>

#include "platform/os/file_operations.h"

namespace tamlo::script {
namespace {

void copyMessage(char* buffer, size_t size, const char* text) {
    std::strncpy(buffer, text, size - 1);
    buffer[size - 1] = '\0';
}

int returnEverything(lua_State* L) {
    return lua_gettop(L);
}

// The library function in upvalue 1, called with every argument once files are closed.
// With a continuation, so a chunk run by dofile may still yield.
int callAfterClosingFiles(lua_State* L) {
    files::finishClosingFiles();  // catches everything: nothing unwinds through Lua
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_callk(L, lua_gettop(L) - 1, LUA_MULTRET, 0, returnEverything);
    return lua_gettop(L);
}

// Replaces table[name] (a global when `table` is null) by its waiting wrapper.
void wrap(lua_State* L, const char* table, const char* name) {
    if (table != nullptr) {
        lua_getglobal(L, table);
    } else {
        lua_pushglobaltable(L);
    }
    if (lua_istable(L, -1)) {
        lua_getfield(L, -1, name);
        if (lua_isfunction(L, -1)) {
            lua_pushcclosure(L, callAfterClosingFiles, 1);
            lua_setfield(L, -2, name);
        } else {
            lua_pop(L, 1);
        }
    }
    lua_pop(L, 1);
}

}  // namespace

int callCatching(lua_State* L, lua_CFunction body, bool touchesFiles) {
    // A plain array: nothing here needs destroying when lua_error jumps out.
    char message[200];
    try {
        if (touchesFiles) {
            files::finishClosingFiles();
        }
        return body(L);
    } catch (const std::bad_alloc&) {
        copyMessage(message, sizeof message, "not enough memory");
    } catch (const std::exception& error) {
        copyMessage(message, sizeof message, error.what());
    } catch (...) {
        copyMessage(message, sizeof message, "unexpected failure");
    }
    lua_pushstring(L, message);
    return lua_error(L);
}

void waitForClosingFilesInLibraries(lua_State* L) {
    static const char* const kIo[] = {"open", "lines", "popen", "input", "output"};
    static const char* const kOs[] = {"execute", "remove", "rename"};
    static const char* const kGlobals[] = {"dofile", "loadfile", "require"};
    for (const char* name : kIo) {
        wrap(L, "io", name);
    }
    for (const char* name : kOs) {
        wrap(L, "os", name);
    }
    for (const char* name : kGlobals) {
        wrap(L, nullptr, name);
    }
}

}  // namespace tamlo::script
