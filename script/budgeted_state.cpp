#include "script/budgeted_state.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include <lua.hpp>

#include "platform/debug_sink.h"

namespace tamlo::script {
namespace {

std::atomic<std::size_t> gBudget{kDefaultScriptMemoryBudget};

struct Accounting {
    std::size_t used = 0;
    std::size_t budget = 0;
};

// Lua's allocator contract: nsize 0 frees; when `block` is null, osize is a type tag,
// not a size. A refused request returns null, which Lua turns into LUA_ERRMEM.
void* budgetedAlloc(void* ud, void* block, std::size_t osize, std::size_t nsize) {
    auto* accounting = static_cast<Accounting*>(ud);
    const std::size_t old = block != nullptr ? osize : 0;
    if (nsize == 0) {
        std::free(block);
        accounting->used -= old;
        return nullptr;
    }
    if (nsize > old && nsize - old > accounting->budget - accounting->used) {
        return nullptr;
    }
    void* grown = std::realloc(block, nsize);
    if (grown == nullptr) {
        return nullptr;
    }
    accounting->used = accounting->used - old + nsize;
    return grown;
}

int panic(lua_State* L) {
    const char* message = lua_tostring(L, -1);
    debugOutput(std::string("unprotected Lua error: ") + (message ? message : "?"));
    return 0;
}

}  // namespace

std::size_t setScriptMemoryBudget(std::size_t bytes) {
    return gBudget.exchange(bytes);
}

lua_State* newBudgetedState() {
    auto* accounting = new (std::nothrow) Accounting{0, gBudget.load()};
    if (accounting == nullptr) {
        return nullptr;
    }
    lua_State* L = lua_newstate(budgetedAlloc, accounting);
    if (L == nullptr) {
        delete accounting;
        return nullptr;
    }
    lua_atpanic(L, panic);
    return L;
}

void closeBudgetedState(lua_State* L) {
    if (L == nullptr) {
        return;
    }
    void* ud = nullptr;
    const lua_Alloc alloc = lua_getallocf(L, &ud);
    lua_close(L);
    if (alloc == budgetedAlloc) {
        delete static_cast<Accounting*>(ud);
    }
}

}  // namespace tamlo::script
