#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct lua_State;

namespace tamlo::script {

// Owns the UI thread's Lua state: creates it with the standard libraries, the system
// functions, the engine's globals and the three registries ("__window", "__timer",
// "__control"), runs the UI script, and reports its failure in the "错误" message box.
//
// Script errors raised inside a bridge (an event handler, the message handler, a timer)
// are caught where the bridge calls into Lua: the first one is remembered, the running
// modal loops are asked to end, and the top-level run reports it once.
class ScriptHost {
  public:
    static ScriptHost& instance();

    // Globals the engine adds to the UI state beside the system functions
    // (createWindow, startWork). Called in the order they were added.
    using Registrar = void (*)(lua_State* L);
    void addRegistrar(Registrar registrar);

    // Creates the state. False when it cannot be created (no memory) or the engine's own
    // globals fail to load; the host then has no state.
    bool start();

    // Reads `name` through the global file system, runs it to its end, reports a failure
    // (or a bridge error recorded meanwhile) in the "错误" box, and closes the state.
    void runScript(const std::u16string& name);

    // Closes the state; nothing calls into Lua afterwards.
    void close();

    // Whether the last runScript ended with a reported error (unreadable, failed, or a
    // bridge error), until cleared.
    bool lastRunFailed() const { return lastRunFailed_; }
    void clearFailure() { lastRunFailed_ = false; }

    lua_State* state() const { return state_; }

    // A bridge caught a script error: remember the first one and end the modal loops.
    void reportBridgeError(const std::string& message);
    bool hasPendingError() const { return hasPendingError_; }
    // Hands the pending error over (to be raised into the script, or reported).
    std::string takePendingError();

  private:
    ScriptHost() = default;
    void showError(const std::string& message);

    lua_State* state_ = nullptr;
    std::vector<Registrar> registrars_;
    bool hasPendingError_ = false;
    bool lastRunFailed_ = false;
    std::string pendingError_;
    std::function<void()> modalLoopBreaker_;
};

// Registry table names.
constexpr const char* kWindowRegistry = "__window";
constexpr const char* kTimerRegistry = "__timer";
constexpr const char* kControlRegistry = "__control";

// Pushes the registry function `name` (a global) and the registry table `table` (may raise).
void pushRegistryFunction(lua_State* L, const char* name, const char* table);

// Handles are object addresses carried as Lua numbers (exact below 2^53).
void pushHandle(lua_State* L, const void* object);
void pushHandle(lua_State* L, std::uintptr_t handle);
std::uintptr_t handleFromValue(lua_State* L, int index);

}  // namespace tamlo::script
