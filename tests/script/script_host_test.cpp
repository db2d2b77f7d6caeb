#include <cmath>
#include <cstdint>

#include <lua.hpp>

#include "dui/core/control.h"
#include "dui/core/event.h"
#include "platform/os/file_operations.h"
#include "runtime/ui_context.h"
#include "script/budgeted_state.h"
#include "script/control_bindings.h"
#include "script/lua_window.h"
#include "script/script_host.h"
#include "script/script_host_fixture.h"
#include "script/system_functions_script_runner.h"
#include "support/os_contract.h"
#include "support/test_environment.h"

namespace tamlo::test {
namespace {

using script::ScriptHost;

TEST_F(ScriptHostTest, RegistriesAndEngineGlobalsExistAtStart) {
    EXPECT_EQ(run(R"(
        local r = debug.getregistry()
        return type(r.__window) .. type(r.__timer) .. type(r.__control[1])
            .. type(r.__control[2]) .. type(lua_addHandler) .. type(bit32) .. event.Click)"),
              "tabletabletabletablefunctiontable30");
}

TEST_F(ScriptHostTest, AControlHasOneWrapperMadeOnFirstUse) {
    EXPECT_EQ(run("return control(1) == control(1) and control(1) ~= control(2)"), "true");
    EXPECT_TRUE(fixtureControls()[1]->hasFlags(dui::ControlFlag::ScriptWrapped));
    EXPECT_FALSE(fixtureControls()[0]->hasFlags(dui::ControlFlag::ScriptWrapped));
}

TEST_F(ScriptHostTest, HandlersRunWithSenderCodeAndParameters) {
    EXPECT_EQ(run(R"(
        local got
        control(1):addHandler(event.Click, function(sender, code, w, l)
            got = tostring(sender == control(1)) .. code .. w .. l
        end)
        raise(1, event.Click)
        return got)"),
              "true3079");
}

TEST_F(ScriptHostTest, TheSameFunctionTwiceIsRemovedOnceAndTheBridgeStays) {
    dui::Control* button = fixtureControls()[1];
    EXPECT_EQ(run(R"(
        calls = 0
        local function h() calls = calls + 1 end
        control(1):addHandler(30, h)
        control(1):addHandler(30, h)
        control(1):removeHandler(30, h)
        raise(1, 30)
        return calls)"),
              "1");
    EXPECT_EQ(button->handlerCount(dui::EventCode::Click), 1u);
    // Removing the last one takes the native bridge away: events no longer enter Lua.
    EXPECT_EQ(run(R"(
        local list = lua_queryControlDispatcher(debug.getregistry().__control, control(1))[30]
        control(1):removeHandler(30, list[1])
        return calls)"),
              "1");
    EXPECT_EQ(button->handlerCount(dui::EventCode::Click), 0u);
}

TEST_F(ScriptHostTest, ANumberOrAStringResultMarksTheEventHandled) {
    EXPECT_EQ(run(R"(
        control(1):addHandler(31, function() return 0 end)
        control(2):addHandler(31, function() return "yes" end)
        control(2):addHandler(32, function() return false end)
        return tostring(raise(1, 31)) .. tostring(raise(2, 31)) .. tostring(raise(2, 32)))"),
              "truetruefalse");
}

TEST_F(ScriptHostTest, AnAncestorHandlerOfABubblingEventRunsItsOwnListWithTheSender) {
    // The panel's handler sees the child as sender; the child's own handler runs once.
    EXPECT_EQ(run(R"(
        local log = {}
        control(0):addHandler(event.MouseMove, function(sender)
            log[#log + 1] = "panel:" .. tostring(sender == control(1))
        end)
        control(1):addHandler(event.MouseMove, function(sender)
            log[#log + 1] = "child:" .. tostring(sender == control(1))
        end)
        raise(1, event.MouseMove, 1)
        return table.concat(log, ","))"),
              "child:true,panel:true");
}

TEST_F(ScriptHostTest, ADestroyedControlLeavesTheRegistryAndItsWrapperDoesNothing) {
    EXPECT_EQ(run("saved = control(2) return lua_queryControlHandle(debug.getregistry()"
                  ".__control, saved) ~= nil"),
              "true");
    dui::Control* second = fixtureControls()[2];
    fixtureControls()[2] = nullptr;
    delete second;
    EXPECT_EQ(run(R"(
        local r = debug.getregistry().__control
        saved:addHandler(30, function() end)
        return tostring(lua_queryControlHandle(r, saved)) .. ","
            .. tostring(next(r[2]) ~= nil and r[2][next(r[2])][1] == saved))"),
              "nil,false");
}

TEST_F(ScriptHostTest, AFailingHandlerIsReportedOnceAndTheStateStaysSound) {
    files.files[u"UI.lua"] = R"(
        control(1):addHandler(30, function() error("boom") end)
        local handled = raise(1, 30)
        afterRaise = tostring(handled)
    )";
    ScriptHost::instance().runScript(u"UI.lua");
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].substr(0, messageBoxes[0].find('|')), "错误");
    EXPECT_NE(messageBoxes[0].find("boom"), std::string::npos);
    EXPECT_EQ(ScriptHost::instance().state(), nullptr);
    // The control outlives the state: its destruction must not touch the closed state.
    dui::Control* first = fixtureControls()[1];
    fixtureControls()[1] = nullptr;
    delete first;
}

TEST_F(ScriptHostTest, ABridgeErrorLeavesTheStackBalancedForTheNextCall) {
    EXPECT_EQ(run(R"(
        control(1):addHandler(30, function() error("first") end)
        control(2):addHandler(30, function() return true end)
        return tostring(raise(1, 30)) .. tostring(raise(2, 30)))"),
              "falsetrue");
    EXPECT_TRUE(ScriptHost::instance().hasPendingError());
    EXPECT_NE(ScriptHost::instance().takePendingError().find("first"), std::string::npos);
    EXPECT_EQ(lua_gettop(L), 0);
}

TEST_F(ScriptHostTest, AScriptThatAllocatesWithoutBoundFailsWithAMemoryErrorInTheErrorBox) {
    // A small budget stands for the real one; the state made before it keeps its own.
    const std::size_t previous = script::setScriptMemoryBudget(8u << 20);
    ASSERT_TRUE(ScriptHost::instance().start());
    script::setScriptMemoryBudget(previous);
    files.files[u"UI.lua"] = R"(
        local hoard = {}
        while true do hoard[#hoard + 1] = string.rep("x", 4096) .. #hoard end
    )";
    ScriptHost::instance().runScript(u"UI.lua");
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0], "错误|not enough memory");
    EXPECT_EQ(ScriptHost::instance().state(), nullptr);
    // The next state gets the restored budget: the same hoard up to 16 MB now fits.
    ASSERT_TRUE(ScriptHost::instance().start());
    L = ScriptHost::instance().state();
    EXPECT_EQ(
        run("local t = {} for i = 1, 4096 do t[i] = string.rep('y', 4096) .. i end return #t"),
        "4096");
}

TEST_F(ScriptHostTest, ASyntaxErrorIsShownWithTheScriptsFirstLine) {
    files.files[u"UI.lua"] = "local broken = \nreturn (";
    ScriptHost::instance().runScript(u"UI.lua");
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].rfind("错误|[string \"local broken = ...\"]", 0), 0u)
        << messageBoxes[0];
}

TEST_F(ScriptHostTest, AScriptThatDefinesTheRegistryFunctionsReplacesThePrelude) {
    EXPECT_EQ(run(R"(
        local called = false
        function lua_addControl(tbl, wrapper, handle)
            called = true
            tbl[1][wrapper] = {wrapper, handle, {}}
            tbl[2][handle] = tbl[1][wrapper]
        end
        control(1)
        return called)"),
              "true");
}

TEST_F(ScriptHostTest, ATimerIsNotCalledAtSetTimerButAfterEachInterval) {
    EXPECT_EQ(run(R"(
        ticks = 0
        win = newWindow(4242)
        timer = win:setTimer(50, function() ticks = ticks + 1 end)
        return ticks)"),
              "0");
    advance(49);
    EXPECT_EQ(run("return ticks"), "0");
    advance(1);
    EXPECT_EQ(run("return ticks"), "1");
    advance(50);
    EXPECT_EQ(run("win:killTimer(timer) return ticks"), "2");
    advance(200);
    EXPECT_EQ(run("return ticks"), "2");
    EXPECT_EQ(script::LuaWindow::timerCount(4242), 0u);
}

TEST_F(ScriptHostTest, ADestroyedWindowLosesItsTimersWrapperAndSubscription) {
    EXPECT_EQ(run(R"(
        ticks = 0
        win = newWindow(77)
        win:setTimer(20, function() ticks = ticks + 1 end)
        win:setMessageHandler(function() return 5 end)
        return #debug.getregistry().__timer)"),
              "1");
    EXPECT_EQ(uiContext()->applicationEvents.handlerCount(dui::EventCode::WorkerNotify), 1u);
    script::LuaWindow::onWindowDestroyed(77);
    advance(100);
    EXPECT_EQ(run(R"(
        local r = debug.getregistry()
        win:setTimer(20, function() ticks = ticks + 100 end)
        return ticks .. "," .. #r.__timer .. "," .. #r.__window)"),
              "0,0,0");
    EXPECT_EQ(uiContext()->applicationEvents.handlerCount(dui::EventCode::WorkerNotify), 0u);
}

TEST_F(ScriptHostTest, NotificationsReachEveryHandlerInOrderAndTheLastAnswerWins) {
    EXPECT_EQ(run(R"(
        seen = {}
        newWindow(1):setMessageHandler(function(text) seen[#seen + 1] = "a" .. text return 1 end)
        newWindow(2):setMessageHandler(function(text) seen[#seen + 1] = "b" .. text return 2 end)
        newWindow(3)
        return #seen)"),
              "0");
    const char* text = "{code=1}";
    dui::Event event{dui::EventCode::WorkerNotify, dui::Direct,
                     reinterpret_cast<std::uintptr_t>(text), 0, 0};
    raiseApplicationEvent(event);
    EXPECT_EQ(event.lParam, 2);
    EXPECT_EQ(run("return table.concat(seen, ',')"), "a{code=1},b{code=1}");
}

TEST_F(ScriptHostTest, AWindowWithoutAHandlerAnswersZero) {
    EXPECT_EQ(run(R"(
        local w = newWindow(5)
        w:setMessageHandler(function() end)
        return 0)"),
              "0");
    const char* text = "x";
    dui::Event event{dui::EventCode::WorkerNotify, dui::Direct,
                     reinterpret_cast<std::uintptr_t>(text), 99, 0};
    raiseApplicationEvent(event);
    EXPECT_EQ(event.lParam, 0);
}

TEST_F(ScriptHostTest, MethodsOfForgedOrStaleWrappersDoNothing) {
    EXPECT_EQ(run(R"(
        local fake = {}
        local r = debug.getregistry()
        lua_addWindow(r.__window, fake, 123456)  -- a handle no window has
        local timer = control(1).setTimer and 1 or 0
        local w = newWindow(9)
        local t = w.setTimer(fake, 10, function() end)
        return tostring(t) .. timer)"),
              "nil0");
}

// A handle is an exact address: other numbers, and addresses a 32-bit program cannot have,
// name no object.
TEST(ScriptHandles, OnlyExactAddressesOfThisProgramNameObjects) {
    lua_State* L = luaL_newstate();
    ASSERT_NE(L, nullptr);
    auto handleOf = [L](lua_Number number) {
        lua_pushnumber(L, number);
        const std::uintptr_t handle = script::handleFromValue(L, -1);
        lua_pop(L, 1);
        return handle;
    };
    int object = 0;
    script::pushHandle(L, reinterpret_cast<std::uintptr_t>(&object));
    EXPECT_EQ(script::handleFromValue(L, -1), reinterpret_cast<std::uintptr_t>(&object));
    lua_pop(L, 1);
    EXPECT_EQ(handleOf(4096), 4096u);
    for (lua_Number bad : {-1.0, 1.5, 1e300, 9007199254740994.0, std::nan("")}) {
        EXPECT_EQ(handleOf(bad), 0u) << bad;
    }
    const std::uintptr_t above32Bits = sizeof(std::uintptr_t) == 8 ? 4294967304u : 0u;
    EXPECT_EQ(handleOf(4294967304.0), above32Bits);
    lua_close(L);
}

TEST_F(ScriptHostTest, AWindowDestroyedAfterTheScriptEndedDoesNotTouchTheState) {
    run("newWindow(31):setTimer(10, function() end)");
    ScriptHost::instance().close();
    script::LuaWindow::onWindowDestroyed(31);
    advance(100);
    EXPECT_EQ(script::LuaWindow::timerCount(31), 0u);
    EXPECT_FALSE(script::LuaWindow::isScripted(31));
}

TEST_F(ScriptHostTest, SystemFunctionsWithWrongArgumentTypesNeverRaiseInTheUiState) {
    isolateRunningProcessTargets();
    EXPECT_EQ(runLuaFile(L, sourcePath("tests/script/lua/wrong_arguments.lua")), "");
    EXPECT_EQ(run("return 1 + 1"), "2");
}

// A file just extracted may still be closing, shared with nobody (Windows closes fewer than
// a batch only on request). The standard library and the engine's functions wait for it.
TEST_F(ScriptHostTest, ScriptsFindJustWrittenFilesClosed) {
    const std::string dir = makeTempDir("closing");
    auto writtenJustNow = [&](const std::string& name, std::string bytes = "") {
        const std::string path = inFolder(dir, name);
        files::ReplacingFile file;
        bytes = bytes.empty() ? "whole " + name : bytes;
        EXPECT_TRUE(file.openForCheckedBytes(path) &&
                    file.write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) &&
                    file.commitClosingLater());
        return "[[" + path + "]]";
    };
    EXPECT_EQ(run("local f = io.open(" + writtenJustNow("a") +
                  ", 'r+') local text = f and f:read('*a') if f then f:close() end return text"),
              "whole a");
    EXPECT_EQ(run("return os.rename(" + writtenJustNow("b") + ", [[" + inFolder(dir, "b2") + "]])"),
              "true");
    EXPECT_EQ(run("return removeFile(" + writtenJustNow("c") + ")"), "true");
    EXPECT_EQ(run("return dofile(" + writtenJustNow("d", "return 'whole d'") + ")"), "whole d");
    writtenJustNow("e");
    files::finishClosingFiles();
    EXPECT_TRUE(files::removeFile(inFolder(dir, "e")));
}

}  // namespace
}  // namespace tamlo::test
