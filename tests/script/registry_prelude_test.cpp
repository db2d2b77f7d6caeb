#include <gtest/gtest.h>
#include <lua.hpp>

#include <fstream>
#include <sstream>
#include <string>

#include "script/registry_prelude.h"

namespace {

// Runs `chunk` after the prelude in a fresh state and returns what it returns as text,
// or "error: ..." when it fails.
std::string run(const std::string& chunk) {
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    std::string result;
    if (!tamlo::loadRegistryPrelude(L)) {
        result = std::string("prelude: ") + lua_tostring(L, -1);
    } else if (luaL_loadstring(L, chunk.c_str()) != LUA_OK || lua_pcall(L, 0, 1, 0) != LUA_OK) {
        result = std::string("error: ") + lua_tostring(L, -1);
    } else {
        result = luaL_tolstring(L, -1, nullptr);
    }
    lua_close(L);
    return result;
}

TEST(RegistryPrelude, SameHandlerTwiceIsRemovedOneOccurrenceAtATime) {
    EXPECT_EQ(run(R"(
        local d, calls = {}, 0
        local function h() calls = calls + 1 end
        local first = lua_addHandler(d, 30, h)
        local second = lua_addHandler(d, 30, h)
        local removedAll = lua_removeHandler(d, 30, h)
        lua_invokeHandlers(d, nil, 30, 0, 0)
        return tostring(first) .. "," .. tostring(second) .. "," .. tostring(removedAll)
            .. "," .. calls .. "," .. #d[30])"),
              "true,nil,nil,1,1");
}

TEST(RegistryPrelude, RemovingTheLastHandlerDropsTheList) {
    EXPECT_EQ(run(R"(
        local d = {}
        local function h() end
        lua_addHandler(d, 5, h)
        local last = lua_removeHandler(d, 5, h)
        local none = lua_removeHandler(d, 5, h)
        return tostring(last) .. "," .. tostring(none) .. "," .. tostring(d[5]))"),
              "true,true,nil");
}

TEST(RegistryPrelude, AnyTrueResultStopsTheListAndCountsAsHandled) {
    EXPECT_EQ(run(R"(
        local d, seen = {}, {}
        lua_addHandler(d, 30, function() seen[#seen + 1] = "a" return 0 end)
        lua_addHandler(d, 30, function() seen[#seen + 1] = "b" end)
        local handled = lua_invokeHandlers(d, nil, 30, 0, 0)
        return tostring(handled) .. ":" .. table.concat(seen, ""))"),
              "true:a");
    EXPECT_EQ(run(R"(
        local d = {}
        lua_addHandler(d, 30, function() return false end)
        lua_addHandler(d, 30, function() end)
        return select("#", lua_invokeHandlers(d, nil, 30, 0, 0)))"),
              "0");
}

TEST(RegistryPrelude, HandlerArgumentsAreSenderCodeAndParameters) {
    EXPECT_EQ(run(R"(
        local d, got = {}, nil
        lua_addHandler(d, 13, function(s, c, w, l) got = s .. c .. w .. l end)
        lua_invokeHandlers(d, "S", 13, 7, 9)
        return got)"),
              "S1379");
}

TEST(RegistryPrelude, ControlsAreFoundByWrapperAndByHandleUntilRemoved) {
    EXPECT_EQ(run(R"(
        local tbl = {{}, {}}
        local w = {}
        lua_addControl(tbl, w, 1234)
        local a = lua_queryControl(tbl, 1234) == w
        local b = lua_queryControlHandle(tbl, w)
        local c = type(lua_queryControlDispatcher(tbl, w))
        lua_removeControl(tbl, 1234)
        return tostring(a) .. "," .. b .. "," .. c .. "," .. tostring(lua_queryControl(tbl, 1234))
            .. "," .. tostring(lua_queryControlHandle(tbl, w))
            .. "," .. tostring(lua_queryControlHandle(tbl, nil)))"),
              "true,1234,table,nil,nil,nil");
}

TEST(RegistryPrelude, MessageHandlerOfAnUnknownWindowYieldsZero) {
    EXPECT_EQ(run(R"(
        local tbl, w = {}, {}
        local unknown = lua_invokeMessageHandler(tbl, w, "x")
        lua_addWindow(tbl, w, 77)
        local noHandler = lua_invokeMessageHandler(tbl, w, "x")
        lua_setMessageHandler(tbl, w, function(text) return #text end)
        local answer = lua_invokeMessageHandler(tbl, w, "four")
        lua_removeWindow(tbl, 77)
        return unknown .. "," .. noHandler .. "," .. answer .. ","
            .. lua_queryWindowHandle(tbl, w) .. "," .. tostring(lua_queryWindow(tbl, 77)))"),
              "0,0,4,0,nil");
}

TEST(RegistryPrelude, TimersAreKilledPerWindowAndFireByHandle) {
    EXPECT_EQ(run(R"(
        local tbl, fired = {}, ""
        lua_setTimer(tbl, 1, function() fired = fired .. "1" end, 10)
        lua_setTimer(tbl, 2, function() fired = fired .. "2" end, 10)
        lua_setTimer(tbl, 3, function() fired = fired .. "3" end, 20)
        lua_onTimer(tbl, 2)
        lua_killTimer(tbl, 2, 20)  -- wrong window: stays
        lua_onTimer(tbl, 2)
        lua_removeTimer(tbl, 10)
        lua_onTimer(tbl, 1)
        lua_onTimer(tbl, 2)
        lua_onTimer(tbl, 3)
        return fired .. "," .. #tbl)"),
              "223,1");
}

TEST(RegistryPrelude, EventTableNamesTheScriptCodes) {
    EXPECT_EQ(run(R"(
        local n = 0
        for _ in pairs(event) do n = n + 1 end
        return event.GotFocus .. "," .. event.Click .. "," .. event.ValueChange .. ","
            .. event.Notify .. "," .. event.MouseMove .. "," .. event.BeforeNavigate .. ","
            .. event.NavigateComplete .. "," .. n)"),
              "2,30,31,32,25,37,38,31");
}

TEST(RegistryPrelude, SourceFileCompilesAsLuaAndIsTheEmbeddedText) {
    const std::string path = TAMLO_SOURCE_DIR "/script/registry_prelude.lua";
    lua_State* L = luaL_newstate();
    const int status = luaL_loadfile(L, path.c_str());
    EXPECT_EQ(status, LUA_OK) << (status == LUA_OK ? "" : lua_tostring(L, -1));
    lua_close(L);
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str(), tamlo::registryPreludeSource());
}

}  // namespace
