#pragma once

#include <string>
#include <vector>

#include "platform/os/running_process_block.h"

struct lua_State;

// The system and installer functions every engine Lua state offers its script: files and
// folders, processes, the registry, shell, shortcuts, special folders, environment,
// message boxes, reboot. None raises a Lua error: bad arguments are converted and
// failures come back as false, as no result, or not at all.
namespace tamlo::script {

// Registers every function as a global, in registration order, and the four HKEY_*
// constants. Runs protected; false (with the Lua error text) when the state could not
// take them.
bool registerSystemFunctions(lua_State* L, std::string* error = nullptr);

// The function names in registration order.
const std::vector<std::string>& systemFunctionNames();

// The texts shown when a reboot cannot be started or is refused.
std::u16string rebootStartFailureText();
std::u16string rebootRefusedText(int code);

// Where `getRunningProcess` and `killRunningProcess` look, and the product program the
// latter always ends. Process-wide; tests point them at their own block and programs.
struct RunningProcessTargets {
    processes::BlockNames block;
    std::string productImageName;
};
RunningProcessTargets defaultRunningProcessTargets();
RunningProcessTargets runningProcessTargets();
void setRunningProcessTargets(const RunningProcessTargets& targets);

}  // namespace tamlo::script
