#include "script/script_host_fixture.h"

#include <cstdlib>
#include <cstring>

#include <lua.hpp>

#include "dui/core/panel.h"
#include "platform/headless/backend.h"
#include "platform/text_encoding.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_queue.h"
#include "runtime/run_queue.h"
#include "runtime/ui_context.h"
#include "script/control_bindings.h"
#include "script/lua_arguments.h"
#include "script/lua_window.h"
#include "script/script_host.h"

namespace tamlo::test {
namespace {

dui::Control* fixtureControl(lua_State* L, int index) {
    int64_t n = script::integerArgument(L, index);
    auto& controls = fixtureControls();
    return n >= 0 && n < static_cast<int64_t>(controls.size()) ? controls[n] : nullptr;
}

int controlGlobal(lua_State* L) {
    script::pushControl(L, fixtureControl(L, 1));
    return 1;
}

int newWindowGlobal(lua_State* L) {
    script::LuaWindow::pushNewWrapper(
        L, static_cast<script::WindowHandle>(script::integerArgument(L, 1)));
    return 1;
}

int raiseGlobal(lua_State* L) {
    dui::Control* control = fixtureControl(L, 1);
    if (control == nullptr) {
        return 0;
    }
    int32_t code = script::int32Argument(L, 2);
    int32_t routing = lua_isnoneornil(L, 3) ? dui::Direct : script::int32Argument(L, 3);
    bool handled = control->raiseEvent(code, routing, 7, 9);
    lua_pushboolean(L, handled);
    return 1;
}

void registerFixtureGlobals(lua_State* L) {
    lua_register(L, "control", controlGlobal);
    lua_register(L, "newWindow", newWindowGlobal);
    lua_register(L, "raise", raiseGlobal);
}

}  // namespace

std::vector<dui::Control*>& fixtureControls() {
    static std::vector<dui::Control*> controls;
    return controls;
}

uint8_t* MemoryFileSystem::read(const std::u16string& name, int& size) {
    auto found = files.find(name);
    if (found == files.end()) {
        return nullptr;
    }
    auto* buffer = static_cast<uint8_t*>(std::malloc(found->second.size() + 4));
    std::memcpy(buffer, found->second.data(), found->second.size());
    std::memset(buffer + found->second.size(), 0, 4);
    size = static_cast<int>(found->second.size());
    return buffer;
}

void MemoryFileSystem::free(uint8_t* buffer) {
    std::free(buffer);
}

void ScriptHostTest::SetUp() {
    auto pump = std::make_unique<platform::ConditionPump>(platform::ConditionPump::Time::Virtual);
    clock = pump.get();
    platform::createUiQueue(std::move(pump));
    std::string error;
    ASSERT_NE(platform::startBackend(&error), nullptr) << error;
    platform::setMessageBoxResponder([this](const platform::MessageBoxRequest& request) {
        messageBoxes.push_back(utf16ToUtf8(request.caption) + "|" + utf16ToUtf8(request.text));
        return 1;
    });
    ASSERT_TRUE(SRService::start());
    ASSERT_NE(createUiContext(), nullptr);
    setGlobalFileSystem(&files);

    root = new dui::Panel();
    auto* first = new dui::Control();
    auto* second = new dui::Control();
    root->addChild(first);
    root->addChild(second);
    root->attach(&window);
    fixtureControls() = {root, first, second};

    script::installControlBindings();
    script::ScriptHost::instance().addRegistrar(registerFixtureGlobals);
    ASSERT_TRUE(script::ScriptHost::instance().start());
    L = script::ScriptHost::instance().state();
}

void ScriptHostTest::TearDown() {
    script::ScriptHost::instance().close();
    delete root;
    fixtureControls().clear();
    destroyUiContext();
    SRService::stop();
    setGlobalFileSystem(nullptr);
    platform::setMessageBoxResponder(nullptr);
    platform::discardUiQueue();
}

std::string ScriptHostTest::run(const std::string& chunk) {
    if (luaL_loadstring(L, chunk.c_str()) != LUA_OK || lua_pcall(L, 0, 1, 0) != LUA_OK) {
        std::string message = std::string("error: ") + lua_tostring(L, -1);
        lua_settop(L, 0);
        return message;
    }
    const char* text = luaL_tolstring(L, -1, nullptr);
    std::string result = text ? text : "";
    lua_settop(L, 0);
    return result;
}

void ScriptHostTest::advance(uint64_t milliseconds) {
    clock->advance(milliseconds);
    platform::pumpPendingMessages();
}

}  // namespace tamlo::test
