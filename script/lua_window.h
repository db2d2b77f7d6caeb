#pragma once

#include <cstddef>
#include <cstdint>

#include "dui/core/timer.h"

struct lua_State;

namespace tamlo::dui {
class Control;
struct Event;
}  // namespace tamlo::dui

namespace tamlo::script {

using WindowHandle = std::uintptr_t;

// The script side of windows: wrappers filed in "__window", the message handler
// subscription to worker notifications, and the windows' script timers.
class LuaWindow {
  public:
    // A script timer of one window: each tick calls `lua_onTimer` with its handle.
    class LuaWindowTimer : public Timer {
      public:
        LuaWindowTimer(lua_State* L, WindowHandle window);
        WindowHandle window() const { return window_; }

      protected:
        void onTimer() override;

      private:
        lua_State* state_;
        WindowHandle window_;
    };

    // Makes the wrapper of a new scripted window (the window methods), files it with
    // `lua_addWindow` and leaves it on the stack. May raise.
    static void pushNewWrapper(lua_State* L, WindowHandle window);

    // Pushes the window's wrapper, or nil. May raise.
    static void pushWindow(lua_State* L, WindowHandle window);

    // The window the value at `index` stands for, or 0. May raise.
    static WindowHandle resolve(lua_State* L, int index);

    // Adds a family of methods to new window wrappers (the table on top of the stack).
    using MethodFamily = void (*)(lua_State* L);
    static void addMethodFamily(MethodFamily family);

    // The window is being destroyed: its registry entries, its subscription to worker
    // notifications and its timers go. The script steps are skipped once the UI script
    // has ended.
    static void onWindowDestroyed(WindowHandle window);

    // The handler registered for worker notifications (code 1024) by setMessageHandler.
    static void messageBridge(void* window, dui::Control* sender, dui::Event& event);

    // The window methods the host itself provides (Lua C functions, `self` first).
    static int setMessageHandlerMethod(lua_State* L);
    static int setTimerMethod(lua_State* L);
    static int killTimerMethod(lua_State* L);

    static std::size_t timerCount(WindowHandle window);
    static bool isScripted(WindowHandle window);
};

}  // namespace tamlo::script
