#include "script/lua_window.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include <lua.hpp>

#include "dui/core/event.h"
#include "runtime/ui_context.h"
#include "script/guarded_function.h"
#include "script/lua_arguments.h"
#include "script/protected_call.h"
#include "script/script_host.h"

namespace tamlo::script {
namespace {

constexpr uint32_t kDefaultTimerInterval = 100;
// Timers below this interval run at it, as the system's own minimum does.
constexpr uint32_t kMinimumTimerInterval = 10;

using TimerList = std::vector<std::unique_ptr<LuaWindow::LuaWindowTimer>>;

std::map<WindowHandle, TimerList>& windowTimers() {
    static std::map<WindowHandle, TimerList> timers;
    return timers;
}

std::set<WindowHandle>& scriptedWindows() {
    static std::set<WindowHandle> windows;
    return windows;
}

std::vector<LuaWindow::MethodFamily>& methodFamilies() {
    static std::vector<LuaWindow::MethodFamily> families;
    return families;
}

void* bridgeTarget(WindowHandle window) {
    return reinterpret_cast<void*>(window);
}

}  // namespace

// setMessageHandler(self, function): every call subscribes once more.
int LuaWindow::setMessageHandlerMethod(lua_State* L) {
    WindowHandle window = LuaWindow::resolve(L, 1);
    if (window == 0) {
        return 0;
    }
    lua_settop(L, 2);
    pushRegistryFunction(L, "lua_setMessageHandler", kWindowRegistry);
    lua_pushvalue(L, 1);
    lua_pushvalue(L, 2);
    lua_call(L, 3, 0);
    if (UiContext* context = uiContext()) {
        context->applicationEvents.add(dui::EventCode::WorkerNotify, bridgeTarget(window),
                                       LuaWindow::messageBridge);
    }
    return 0;
}

// setTimer(self, interval, function) -> timer handle
int LuaWindow::setTimerMethod(lua_State* L) {
    WindowHandle window = LuaWindow::resolve(L, 1);
    if (window == 0) {
        return 0;
    }
    int64_t requested = integerArgument(L, 2);
    lua_settop(L, 3);
    uint32_t interval = kDefaultTimerInterval;
    interval =
        static_cast<uint32_t>(std::clamp<int64_t>(requested, kMinimumTimerInterval, INT32_MAX));
    auto* timer = new LuaWindow::LuaWindowTimer(L, window);
    timer->setInterval(interval);
    windowTimers()[window].emplace_back(timer);
    // The tick at start finds no entry yet, so the first script call is one interval away.
    timer->start();
    pushRegistryFunction(L, "lua_setTimer", kTimerRegistry);
    pushHandle(L, timer);
    lua_pushvalue(L, 3);
    pushHandle(L, window);
    lua_call(L, 4, 0);
    pushHandle(L, timer);
    return 1;
}

// killTimer(self, timer)
int LuaWindow::killTimerMethod(lua_State* L) {
    WindowHandle window = LuaWindow::resolve(L, 1);
    if (window == 0) {
        return 0;
    }
    std::uintptr_t handle = handleFromValue(L, 2);
    auto found = windowTimers().find(window);
    if (found != windowTimers().end()) {
        TimerList& list = found->second;
        for (auto it = list.begin(); it != list.end(); ++it) {
            if (reinterpret_cast<std::uintptr_t>(it->get()) == handle) {
                std::unique_ptr<LuaWindow::LuaWindowTimer> timer = std::move(*it);
                list.erase(it);
                timer->stop();
                break;  // the timer is deleted here, before any Lua call
            }
        }
    }
    pushRegistryFunction(L, "lua_killTimer", kTimerRegistry);
    lua_pushvalue(L, 2);
    pushHandle(L, window);
    lua_call(L, 3, 0);
    return 0;
}

namespace {

const luaL_Reg kDispatchMethods[] = {
    {"setMessageHandler", guarded<LuaWindow::setMessageHandlerMethod>},
    {"setTimer", guarded<LuaWindow::setTimerMethod>},
    {"killTimer", guarded<LuaWindow::killTimerMethod>},
    {nullptr, nullptr},
};

struct TimerTick {
    LuaWindow::LuaWindowTimer* timer;
};

int timerTickBody(lua_State* L) {
    auto* tick = callContext<TimerTick>(L);
    pushRegistryFunction(L, "lua_onTimer", kTimerRegistry);
    pushHandle(L, tick->timer);
    lua_call(L, 2, 0);
    return 0;
}

struct MessageCall {
    WindowHandle window;
    const char* text;
    lua_Integer answer;
};

int messageBridgeBody(lua_State* L) {
    auto* call = callContext<MessageCall>(L);
    pushRegistryFunction(L, "lua_invokeMessageHandler", kWindowRegistry);
    LuaWindow::pushWindow(L, call->window);
    lua_pushstring(L, call->text != nullptr ? call->text : "");
    lua_call(L, 3, 1);
    call->answer = int32Argument(L, -1);
    return 0;
}

struct DestroyCall {
    WindowHandle window;
};

int destroyBody(lua_State* L) {
    auto* call = callContext<DestroyCall>(L);
    pushRegistryFunction(L, "lua_removeWindow", kWindowRegistry);
    pushHandle(L, call->window);
    lua_call(L, 2, 0);
    pushRegistryFunction(L, "lua_removeTimer", kTimerRegistry);
    pushHandle(L, call->window);
    lua_call(L, 2, 0);
    return 0;
}

}  // namespace

LuaWindow::LuaWindowTimer::LuaWindowTimer(lua_State* L, WindowHandle window)
    : Timer(kDefaultTimerInterval), state_(L), window_(window) {}

void LuaWindow::LuaWindowTimer::onTimer() {
    ScriptHost& host = ScriptHost::instance();
    if (host.state() != state_ || state_ == nullptr) {
        return;  // the state this timer belongs to is closed
    }
    TimerTick tick{this};
    std::string error;
    if (!protectedCall(state_, timerTickBody, &tick, 0, &error)) {
        host.reportBridgeError(error);
    }
}

void LuaWindow::pushNewWrapper(lua_State* L, WindowHandle window) {
    lua_newtable(L);
    int wrapper = lua_gettop(L);
    for (MethodFamily family : methodFamilies()) {
        family(L);
    }
    luaL_setfuncs(L, kDispatchMethods, 0);
    pushRegistryFunction(L, "lua_addWindow", kWindowRegistry);
    lua_pushvalue(L, wrapper);
    pushHandle(L, window);
    lua_call(L, 3, 0);
    scriptedWindows().insert(window);
}

void LuaWindow::pushWindow(lua_State* L, WindowHandle window) {
    pushRegistryFunction(L, "lua_queryWindow", kWindowRegistry);
    pushHandle(L, window);
    lua_call(L, 2, 1);
}

WindowHandle LuaWindow::resolve(lua_State* L, int index) {
    index = lua_absindex(L, index);
    pushRegistryFunction(L, "lua_queryWindowHandle", kWindowRegistry);
    lua_pushvalue(L, index);
    lua_call(L, 2, 1);
    WindowHandle window = handleFromValue(L, -1);
    lua_pop(L, 1);
    return scriptedWindows().count(window) != 0 ? window : 0;
}

void LuaWindow::addMethodFamily(MethodFamily family) {
    if (std::find(methodFamilies().begin(), methodFamilies().end(), family) ==
        methodFamilies().end()) {
        methodFamilies().push_back(family);
    }
}

void LuaWindow::onWindowDestroyed(WindowHandle window) {
    if (scriptedWindows().erase(window) == 0) {
        return;
    }
    ScriptHost& host = ScriptHost::instance();
    if (lua_State* L = host.state()) {
        DestroyCall call{window};
        std::string error;
        if (!protectedCall(L, destroyBody, &call, 0, &error)) {
            host.reportBridgeError(error);
        }
    }
    if (UiContext* context = uiContext()) {
        while (context->applicationEvents.remove(dui::EventCode::WorkerNotify, bridgeTarget(window),
                                                 messageBridge)) {
        }
    }
    auto found = windowTimers().find(window);
    if (found != windowTimers().end()) {
        TimerList timers = std::move(found->second);
        windowTimers().erase(found);
        for (auto& timer : timers) {
            timer->stop();
        }
    }
}

void LuaWindow::messageBridge(void* window, dui::Control*, dui::Event& event) {
    ScriptHost& host = ScriptHost::instance();
    lua_State* L = host.state();
    if (L == nullptr) {
        return;
    }
    MessageCall call{reinterpret_cast<WindowHandle>(window),
                     reinterpret_cast<const char*>(event.wParam), 0};
    std::string error;
    if (!protectedCall(L, messageBridgeBody, &call, 0, &error)) {
        host.reportBridgeError(error);
        return;
    }
    event.lParam = static_cast<decltype(event.lParam)>(call.answer);
}

std::size_t LuaWindow::timerCount(WindowHandle window) {
    auto found = windowTimers().find(window);
    return found == windowTimers().end() ? 0 : found->second.size();
}

bool LuaWindow::isScripted(WindowHandle window) {
    return scriptedWindows().count(window) != 0;
}

}  // namespace tamlo::script
