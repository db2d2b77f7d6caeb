#pragma once

#include <cstddef>

struct lua_State;

namespace tamlo::dui {
class Control;
struct Event;
}  // namespace tamlo::dui

namespace tamlo::script {

// Pushes the wrapper of `control` (nil for none). A control's wrapper is made the first
// time it is handed to the script and filed in "__control"; later pushes find it there.
// May raise: call from a function Lua called, or inside protectedCall.
void pushControl(lua_State* L, dui::Control* control);

// The control the value at `index` (a wrapper) stands for, or null when it no longer
// resolves. May raise (it asks the registry functions).
dui::Control* resolveControl(lua_State* L, int index);

// Adds a family of methods to a new control wrapper (the table on top of the stack).
// Families run in the order added; a later one may replace an earlier method.
using ControlMethodFamily = void (*)(lua_State* L, dui::Control* control);
void addControlMethodFamily(ControlMethodFamily family);

// Puts addHandler and removeHandler into the wrapper on top of the stack.
void addHandlerMethods(lua_State* L);

// The native handler one (control, code) pair gets while the script has handlers for
// that code: it hands the event to `lua_invokeHandlers`.
void eventBridge(void* boundControl, dui::Control* sender, dui::Event& event);

// Hooks control destruction so a wrapped control's registry entry goes with it.
void installControlBindings();

}  // namespace tamlo::script
