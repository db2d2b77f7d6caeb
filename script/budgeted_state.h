#pragma once

#include <cstddef>

struct lua_State;

namespace tamlo::script {

// What one Lua state may hold at most. Far above any real installer's scripts, so only a
// script that allocates without bound meets it; it then fails with Lua's memory error
// instead of growing the engine until the system kills it.
constexpr std::size_t kDefaultScriptMemoryBudget = std::size_t{512} << 20;

// The budget given to states created from now on (tests lower it); returns the old one.
std::size_t setScriptMemoryBudget(std::size_t bytes);

// A new state whose allocator refuses to grow past the budget; null without memory.
lua_State* newBudgetedState();
// Closes a state made by newBudgetedState and frees its accounting.
void closeBudgetedState(lua_State* L);

}  // namespace tamlo::script
