#include "script/control_bindings.h"

#include <unordered_set>
#include <vector>

#include <lua.hpp>

#include "dui/core/control.h"
#include "script/guarded_function.h"
#include "script/lua_arguments.h"
#include "script/protected_call.h"
#include "script/script_host.h"

namespace tamlo::script {
namespace {

// Controls that have a wrapper. A handle from the script resolves only to one of these,
// so a forged or stale number never becomes a pointer.
std::unordered_set<dui::Control*>& wrappedControls() {
    static std::unordered_set<dui::Control*> controls;
    return controls;
}

std::vector<ControlMethodFamily>& methodFamilies() {
    static std::vector<ControlMethodFamily> families;
    return families;
}

// Pushes the dispatcher table of the wrapper at `wrapperIndex` (absolute index).
void pushDispatcher(lua_State* L, int wrapperIndex) {
    pushRegistryFunction(L, "lua_queryControlDispatcher", kControlRegistry);
    lua_pushvalue(L, wrapperIndex);
    lua_call(L, 2, 1);
}

// Calls `lua_addHandler` or `lua_removeHandler` with the dispatcher of `self`, the code
// and the function; returns the control and whether the call answered true (the list was
// created, or is gone). The native bridge follows that answer.
dui::Control* changeHandlerList(lua_State* L, const char* registryFunction, int32_t* code,
                                bool* answer) {
    dui::Control* control = resolveControl(L, 1);
    if (control == nullptr) {
        return nullptr;
    }
    *code = int32Argument(L, 2);
    lua_settop(L, 3);
    lua_getglobal(L, registryFunction);
    pushDispatcher(L, 1);
    lua_pushinteger(L, *code);
    lua_pushvalue(L, 3);
    lua_call(L, 3, 1);
    *answer = lua_toboolean(L, -1) != 0;
    lua_pop(L, 1);
    return control;
}

// addHandler(self, code, function)
int addHandlerMethod(lua_State* L) {
    int32_t code = 0;
    bool firstForCode = false;
    dui::Control* control = changeHandlerList(L, "lua_addHandler", &code, &firstForCode);
    if (control != nullptr && firstForCode) {
        control->addHandler(code, control, eventBridge);
    }
    return 0;
}

// removeHandler(self, code, function)
int removeHandlerMethod(lua_State* L) {
    int32_t code = 0;
    bool listGone = false;
    dui::Control* control = changeHandlerList(L, "lua_removeHandler", &code, &listGone);
    if (control != nullptr && listGone) {
        control->removeHandler(code, control, eventBridge);
    }
    return 0;
}

const luaL_Reg kDispatchMethods[] = {
    {"addHandler", guarded<addHandlerMethod>},
    {"removeHandler", guarded<removeHandlerMethod>},
    {nullptr, nullptr},
};

struct BridgeCall {
    dui::Control* bound;
    dui::Control* sender;
    dui::Event* event;
    bool handled;
};

// The handlers are those of the control the bridge is bound to; the sender is the
// control the event was raised on (they differ while an event tunnels or bubbles).
int eventBridgeBody(lua_State* L) {
    auto* call = callContext<BridgeCall>(L);
    lua_getglobal(L, "lua_invokeHandlers");
    pushControl(L, call->bound);
    int boundWrapper = lua_gettop(L);
    pushDispatcher(L, boundWrapper);
    lua_remove(L, boundWrapper);
    pushControl(L, call->sender);
    lua_pushinteger(L, call->event->code);
    lua_pushnumber(L, static_cast<lua_Number>(call->event->wParam));
    lua_pushnumber(L, static_cast<lua_Number>(call->event->lParam));
    lua_call(L, 5, 1);
    call->handled = lua_toboolean(L, -1) != 0;
    return 0;
}

struct ReleaseCall {
    dui::Control* control;
};

int releaseBody(lua_State* L) {
    auto* call = callContext<ReleaseCall>(L);
    pushRegistryFunction(L, "lua_removeControl", kControlRegistry);
    pushHandle(L, call->control);
    lua_call(L, 2, 0);
    return 0;
}

void onControlDestroyed(dui::Control* control) {
    wrappedControls().erase(control);
    control->setFlags(dui::ControlFlag::ScriptWrapped, false);
    lua_State* L = ScriptHost::instance().state();
    if (L == nullptr) {
        return;  // the UI script has ended: nothing to unregister
    }
    ReleaseCall call{control};
    std::string error;
    if (!protectedCall(L, releaseBody, &call, 0, &error)) {
        ScriptHost::instance().reportBridgeError(error);
    }
}

}  // namespace

void pushControl(lua_State* L, dui::Control* control) {
    if (control == nullptr) {
        lua_pushnil(L);
        return;
    }
    pushRegistryFunction(L, "lua_queryControl", kControlRegistry);
    pushHandle(L, control);
    lua_call(L, 2, 1);
    if (!lua_isnil(L, -1) && wrappedControls().count(control) != 0) {
        return;
    }
    lua_pop(L, 1);
    lua_newtable(L);
    int wrapper = lua_gettop(L);
    for (ControlMethodFamily family : methodFamilies()) {
        family(L, control);
    }
    addHandlerMethods(L);
    pushRegistryFunction(L, "lua_addControl", kControlRegistry);
    lua_pushvalue(L, wrapper);
    pushHandle(L, control);
    lua_call(L, 3, 0);
    wrappedControls().insert(control);
    control->setFlags(dui::ControlFlag::ScriptWrapped, true);
}

dui::Control* resolveControl(lua_State* L, int index) {
    index = lua_absindex(L, index);
    pushRegistryFunction(L, "lua_queryControlHandle", kControlRegistry);
    lua_pushvalue(L, index);
    lua_call(L, 2, 1);
    auto* control = reinterpret_cast<dui::Control*>(handleFromValue(L, -1));
    lua_pop(L, 1);
    if (control == nullptr || wrappedControls().count(control) == 0) {
        return nullptr;
    }
    return control;
}

void addHandlerMethods(lua_State* L) {
    luaL_setfuncs(L, kDispatchMethods, 0);
}

void addControlMethodFamily(ControlMethodFamily family) {
    for (ControlMethodFamily existing : methodFamilies()) {
        if (existing == family) {
            return;
        }
    }
    methodFamilies().push_back(family);
}

void eventBridge(void* boundControl, dui::Control* sender, dui::Event& event) {
    ScriptHost& host = ScriptHost::instance();
    lua_State* L = host.state();
    if (L == nullptr) {
        return;
    }
    BridgeCall call{static_cast<dui::Control*>(boundControl), sender, &event, false};
    std::string error;
    if (!protectedCall(L, eventBridgeBody, &call, 0, &error)) {
        host.reportBridgeError(error);
        return;
    }
    event.handled = call.handled ? 1 : 0;
}

void installControlBindings() {
    dui::Control::setScriptReleaseHook(onControlDestroyed);
}

}  // namespace tamlo::script
