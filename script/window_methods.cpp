// createWindow and the methods of window wrappers. Each method resolves `self` first (that
// may raise inside the registry functions) and only then makes C++ values, so no object
// with a destructor is alive across a call that can raise.
#include "script/window_methods.h"

#include <lua.hpp>

#include "dui/style/style_set.h"
#include "platform/backend.h"
#include "platform/debug_sink.h"
#include "platform/text_encoding.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/native_window.h"
#include "platform/windowing/window_constants.h"
#include "render/image.h"
#include "script/control_bindings.h"
#include "script/guarded_function.h"
#include "script/lua_arguments.h"
#include "script/lua_window.h"
#include "script/script_host.h"
#include "window/shadowed_window.h"

namespace tamlo::script {
namespace {

constexpr uint32_t kDefaultWindowStyle = win32::WS_POPUP;

WindowImpl* windowAt(lua_State* L, int index) {
    WindowHandle handle = LuaWindow::resolve(L, index);
    return handle == 0 ? nullptr : dynamic_cast<WindowImpl*>(WindowBase::fromHandle(handle));
}

// The window's native handle, as the methods that only talk to the window system need.
WindowHandle handleAt(lua_State* L, int index) {
    WindowImpl* window = windowAt(L, index);
    return window == nullptr ? 0 : window->handle();
}

// Made on the heap so it is gone before the wrapper is built (which may raise). Null
// (with a debug line) when the layout is not in the package.
WindowImpl* makeScriptWindow(const std::u16string& layout, uint32_t style) {
    auto* window = new ShadowedWindow(layout);
    if (!window->create(0, style, 0, 0, 0, 0, 0)) {
        delete window;
        debugOutput("createWindow: no window for layout \"" + utf16ToUtf8(layout) + "\"");
        return nullptr;
    }
    if (window->root() == nullptr) {
        // Missing, malformed (named above by the loader) or with an unknown root element.
        debugOutput("createWindow: no control tree from layout \"" + utf16ToUtf8(layout) +
                    "\"; createWindow returns nil");
        window->destroy();
        return nullptr;
    }
    return window;
}

// createWindow(layout [, style]) -> window wrapper or nil
int createWindowFunction(lua_State* L) {
    const uint32_t style =
        lua_gettop(L) < 2 ? kDefaultWindowStyle : static_cast<uint32_t>(int32Argument(L, 2));
    WindowImpl* window = nullptr;
    {
        const std::u16string layout = textArgument(L, 1);
        window = makeScriptWindow(layout, style);
    }
    if (window == nullptr) {
        lua_pushnil(L);
        return 1;
    }
    LuaWindow::pushNewWrapper(L, window->handle());
    return 1;
}

// getRoot(self) -> control
int getRootMethod(lua_State* L) {
    WindowImpl* window = windowAt(L, 1);
    if (window == nullptr) {
        return 0;
    }
    pushControl(L, window->root());
    return 1;
}

// getChild(self, id) -> control or nil; a number outside the 32-bit range names no id.
int getChildMethod(lua_State* L) {
    WindowImpl* window = windowAt(L, 1);
    if (window == nullptr) {
        return 0;
    }
    int32_t id = 0;
    if (!int32IdArgument(L, 2, &id)) {
        lua_pushnil(L);
        return 1;
    }
    pushControl(L, window->controlById(id));
    return 1;
}

// setPosition(self, x, y): the size and z-order stay.
int setPositionMethod(lua_State* L) {
    WindowHandle window = handleAt(L, 1);
    if (window == 0) {
        return 0;
    }
    platform::setWindowPos(window, 0, int32Argument(L, 2), int32Argument(L, 3), 0, 0,
                           win32::SWP_NOZORDER | win32::SWP_NOSIZE);
    return 0;
}

// getPosition(self) -> left, top
int getPositionMethod(lua_State* L) {
    WindowHandle window = handleAt(L, 1);
    if (window == 0) {
        return 0;
    }
    const platform::Rect area = platform::windowRect(window);
    lua_pushnumber(L, area.left);
    lua_pushnumber(L, area.top);
    return 2;
}

int centerScreenMethod(lua_State* L) {
    if (WindowImpl* window = windowAt(L, 1)) {
        window->centerScreen();
    }
    return 0;
}

// browseForFolder(self, title) -> path, or nothing when cancelled
int browseForFolderMethod(lua_State* L) {
    WindowHandle window = handleAt(L, 1);
    if (window == 0 || !platform::backendStarted()) {
        return 0;
    }
    std::u16string path;
    bool chosen = false;
    {
        const std::u16string title = shownTextArgument(L, 2, "browseForFolder");
        chosen = platform::backend().browseForFolder(window, title, path);
    }
    return chosen ? pushText(L, std::u16string_view(path)) : 0;
}

// showDialog(self [, owner]) -> the code given to endDialog, or 0 after WM_QUIT
int showDialogMethod(lua_State* L) {
    WindowImpl* window = windowAt(L, 1);
    if (window == nullptr) {
        return 0;
    }
    WindowHandle owner = 0;
    if (lua_gettop(L) >= 2) {
        WindowImpl* ownerWindow = windowAt(L, 2);
        owner = ownerWindow == nullptr ? 0 : ownerWindow->handle();
    }
    // Bridges inside the loop call Lua protected, so nothing unwinds through it.
    const int32_t result = window->showDialog(owner);
    lua_pushnumber(L, result);
    return 1;
}

// endDialog(self, code): 0 is stored but does not end the loop.
int endDialogMethod(lua_State* L) {
    if (WindowImpl* window = windowAt(L, 1)) {
        window->endDialog(int32Argument(L, 2));
    }
    return 0;
}

int updateLayoutMethod(lua_State* L) {
    if (WindowImpl* window = windowAt(L, 1)) {
        window->fitWindowToRoot();
    }
    return 0;
}

// setIcon(self, id): the installer's icons are the style package's "icon<ID>.png".
int setIconMethod(lua_State* L) {
    WindowHandle window = handleAt(L, 1);
    if (window == 0) {
        return 0;
    }
    const uint32_t id = static_cast<uint32_t>(int32Argument(L, 2)) & 0xFFFF;
    dui::StyleSet* styles = dui::StyleSet::current();
    const render::Image* image = styles == nullptr ? nullptr : styles->image(iconEntryName(id));
    if (image == nullptr || !image->hasBitmap()) {
        return 0;  // a missing icon sets none
    }
    platform::WindowPixels icon;
    icon.width = image->width();
    icon.height = image->height();
    const render::Bitmap& bitmap = image->bitmap();
    icon.pixels.assign(bitmap.pixels(),
                       bitmap.pixels() + static_cast<std::size_t>(icon.width) *
                                             static_cast<std::size_t>(icon.height));
    platform::setWindowIcon(window, icon);
    return 0;
}

int setTitleMethod(lua_State* L) {
    WindowHandle window = handleAt(L, 1);
    if (window == 0) {
        return 0;
    }
    const std::u16string title = shownTextArgument(L, 2, "setTitle");
    platform::setWindowText(window, title);
    return 0;
}

// setCursor(self, id): works whatever `self` is.
int setCursorMethod(lua_State* L) {
    platform::setCursor(static_cast<uint32_t>(int32Argument(L, 2)) & 0xFFFF);
    return 0;
}

int showWindowMethod(lua_State* L) {
    WindowHandle window = handleAt(L, 1);
    if (window != 0) {
        platform::showWindow(window, int32Argument(L, 2));
    }
    return 0;
}

// showMessageBox(self, text, caption, type) -> the button id
int showMessageBoxMethod(lua_State* L) {
    WindowHandle window = handleAt(L, 1);
    if (window == 0 || !platform::backendStarted()) {
        return 0;
    }
    int answer = 0;
    {
        const std::u16string text = shownTextArgument(L, 2, "showMessageBox");
        const std::u16string caption = shownTextArgument(L, 3, "showMessageBox");
        const auto type = static_cast<uint32_t>(int32Argument(L, 4));
        answer = platform::backend().messageBox(window, text, caption, type);
    }
    lua_pushnumber(L, answer);
    return 1;
}

// In registration order; setMessageHandler, setTimer and killTimer are the host's own.
const luaL_Reg kWindowMethods[] = {
    {"getRoot", guarded<getRootMethod>},
    {"getChild", guarded<getChildMethod>},
    {"setPosition", guarded<setPositionMethod>},
    {"getPosition", guarded<getPositionMethod>},
    {"centerScreen", guarded<centerScreenMethod>},
    {"browseForFolder", guarded<browseForFolderMethod>},
    {"showDialog", guarded<showDialogMethod>},
    {"endDialog", guarded<endDialogMethod>},
    {"updateLayout", guarded<updateLayoutMethod>},
    {"setMessageHandler", guarded<LuaWindow::setMessageHandlerMethod>},
    {"setIcon", guarded<setIconMethod>},
    {"setTitle", guarded<setTitleMethod>},
    {"setCursor", guarded<setCursorMethod>},
    {"showWindow", guarded<showWindowMethod>},
    {"showMessageBox", guarded<showMessageBoxMethod>},
    {"setTimer", guarded<LuaWindow::setTimerMethod>},
    {"killTimer", guarded<LuaWindow::killTimerMethod>},
    {nullptr, nullptr},
};

void windowMethodFamily(lua_State* L) {
    luaL_setfuncs(L, kWindowMethods, 0);
}

void registerCreateWindow(lua_State* L) {
    lua_register(L, "createWindow", guarded<createWindowFunction>);
}

}  // namespace

std::u16string iconEntryName(uint32_t id) {
    return u"icon" + utf8ToUtf16(std::to_string(id & 0xFFFF)) + u".png";
}

void installWindowMethods() {
    LuaWindow::addMethodFamily(windowMethodFamily);
    ScriptHost::instance().addRegistrar(registerCreateWindow);
}

}  // namespace tamlo::script
