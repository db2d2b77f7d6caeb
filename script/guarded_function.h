#pragma once

#include <lua.hpp>

namespace tamlo::script {

// Lua is C: a C++ exception unwinding through its frames would leave the interpreter's
// own call state behind (and end the program). Every function Lua calls therefore runs
// its body through callCatching, which turns an exception into a script error ("not
// enough memory" for a failed allocation), raised once no C++ object is left alive.
//
// A file the worker has just extracted may still be closing on a thread of its own
// (files::ReplacingFile::commitClosingLater), shared with nobody. A function that may
// touch it (`touchesFiles`) waits for that first; the rest, the many methods the UI calls
// while files are written among them, go on at once.
int callCatching(lua_State* L, lua_CFunction body, bool touchesFiles = false);

template <lua_CFunction Body>
int guarded(lua_State* L) {
    return callCatching(L, Body);
}

template <lua_CFunction Body>
int guardedTouchingFiles(lua_State* L) {
    return callCatching(L, Body, true);
}

// Makes the standard library's functions that open, run, rename or remove files (io.open,
// os.execute, dofile, require...) wait for closing files first. Runs under lua_pcall.
void waitForClosingFilesInLibraries(lua_State* L);

}  // namespace tamlo::script
