#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <lua.hpp>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/debug_sink.h"
#include "platform/headless/backend.h"
#include "platform/os/registry_store.h"
#include "platform/system_test_processes.h"
#include "script/system_functions.h"
#include "script/system_functions_script_runner.h"
#include "support/test_environment.h"

namespace tamlo::script {
namespace {

namespace fs = std::filesystem;

// A plain Lua state with the standard libraries and the system functions, and the
// headless backend for message boxes.
class SystemFunctionsTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!platform::backendStarted()) {
            std::string error;
            ASSERT_NE(platform::startBackend(&error), nullptr) << error;
        }
        test::isolateRunningProcessTargets();
    }

    void SetUp() override {
        setenv("TAMLO_REBOOT_COMMAND", "false", 1);
        L = luaL_newstate();
        luaL_openlibs(L);
        std::string error;
        ASSERT_TRUE(registerSystemFunctions(L, &error)) << error;
    }
    void TearDown() override { lua_close(L); }

    // Runs `chunk`, which must return its results; returns them as a Lua table text
    // such as "{true, 3}" so the count is visible too.
    std::string results(const std::string& chunk) {
        std::string wrapped =
            "local r = table.pack(" + chunk +
            ")\n"
            "local parts = {}\n"
            "for i = 1, r.n do parts[i] = type(r[i]) == 'string' and string.format('%q', r[i])"
            " or tostring(r[i]) end\n"
            "__result = '{' .. table.concat(parts, ', ') .. '}'";
        std::string error = test::runLuaText(L, wrapped);
        if (!error.empty()) {
            return "error: " + error;
        }
        lua_getglobal(L, "__result");
        std::string text = lua_tostring(L, -1) != nullptr ? lua_tostring(L, -1) : "?";
        lua_pop(L, 1);
        return text;
    }

    std::string run(const std::string& chunk) { return test::runLuaText(L, chunk); }

    std::string quoted(const std::string& text) { return "\"" + text + "\""; }

    lua_State* L = nullptr;
};

TEST_F(SystemFunctionsTest, RegistersEveryFunctionInOrderAndTheRootConstants) {
    const std::vector<std::string> expected = {"sleep",
                                               "killProcess",
                                               "removeFile",
                                               "moveFile",
                                               "copyFile",
                                               "removeDirectory",
                                               "createDirectory",
                                               "shellExecuteEx",
                                               "fileExists",
                                               "print",
                                               "getAppDataFolder",
                                               "getProgramFolder",
                                               "getTempFolder",
                                               "getDesktopFolder",
                                               "getStartMenuFolder",
                                               "createShortCut",
                                               "reboot",
                                               "volumeExists",
                                               "directoryEmpty",
                                               "setCurrentDirectory",
                                               "isWOW32",
                                               "isProcessRunning",
                                               "showMessageBox",
                                               "getProcessPath",
                                               "regQueryString",
                                               "regQueryInteger",
                                               "regWriteString",
                                               "regWriteInteger",
                                               "regDeleteValue",
                                               "regDeleteSubKey",
                                               "markRestart",
                                               "releaseMutex",
                                               "setEnvVar",
                                               "isVista",
                                               "isWin8",
                                               "getRunningProcess",
                                               "killRunningProcess",
                                               "killProcessesByPath",
                                               "getFreeSpace",
                                               "openJournal",
                                               "commitJournal",
                                               "rollbackJournal",
                                               "uninstallJournal",
                                               "journalState"};
    EXPECT_EQ(systemFunctionNames(), expected);
    for (const std::string& name : expected) {
        lua_getglobal(L, name.c_str());
        EXPECT_EQ(lua_type(L, -1), LUA_TFUNCTION) << name;
        lua_pop(L, 1);
    }
    EXPECT_EQ(results("HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS"),
              "{-2147483648, -2147483647, -2147483646, -2147483645}");
}

TEST_F(SystemFunctionsTest, WrongArgumentTypesNeverRaise) {
    EXPECT_EQ(test::runLuaFile(L, test::sourcePath("tests/script/lua/wrong_arguments.lua")), "");
}

TEST_F(SystemFunctionsTest, RemoveFileAndCreateDirectory) {
    std::string dir = test::makeTempDir("lua-files");
    ASSERT_TRUE(test::writeFile(dir + "/ro.txt", "x"));
    chmod((dir + "/ro.txt").c_str(), 0444);
    EXPECT_EQ(results("removeFile(" + quoted(dir + "/ro.txt") + ")"), "{true}");
    EXPECT_EQ(results("removeFile(" + quoted(dir + "/ro.txt") + ")"), "{false}");

    EXPECT_EQ(results("createDirectory(" + quoted(dir + "/a//b/") + ")"), "{true}");
    EXPECT_TRUE(fs::is_directory(dir + "/a/b"));
    EXPECT_EQ(results("createDirectory(" + quoted(dir) + " .. '\\\\c\\\\d')"), "{true}");
    EXPECT_TRUE(fs::is_directory(dir + "/c/d"));
    EXPECT_EQ(results("createDirectory('/proc/no/such/place')"), "{true}");  // true regardless
}

TEST_F(SystemFunctionsTest, ShellExecuteExResultsByMask) {
    // Ends within the wait: true and its exit code.
    EXPECT_EQ(results("shellExecuteEx('/bin/sh', \"-c 'exit 3'\", 'open', 0, 64)"), "{true, 3}");
    // Without the wait bit: true once started, whatever the program does later.
    EXPECT_EQ(results("shellExecuteEx('/bin/sh', \"-c 'exit 3'\", 'open', 0, 0)"), "{true}");
    // Nothing to start.
    EXPECT_EQ(results("shellExecuteEx('', '', 'open', 0, 64)"), "{false}");
    // A local path that is not there fails before any opener could start and report 2.
    EXPECT_EQ(results("shellExecuteEx('/no/such/folder/readme.txt', '', 'open', 0, 64)"),
              "{false}");
}

TEST_F(SystemFunctionsTest, ShellExecuteExGivesUpWaitingAfterFiveSeconds) {
    std::string dir = test::makeTempDir("lua-exec");
    std::string program = test::copySleepProgram(dir, "long.exe");
    // The program outlives the wait: false alone.
    EXPECT_EQ(results("shellExecuteEx(" + quoted(program) + ", '6', 'open', 1, 64)"), "{false}");
    EXPECT_EQ(results("isProcessRunning(" + quoted(program) + ")"), "{true}");
    EXPECT_EQ(results("killProcess(" + quoted(program) + ")"), "{}");
    EXPECT_EQ(results("isProcessRunning(" + quoted(program) + ")"), "{}");
}

TEST_F(SystemFunctionsTest, IsProcessRunningReturnsNothingWithoutAMatch) {
    EXPECT_EQ(results("isProcessRunning('/no/such/program.exe')"), "{}");
    std::string dir = test::makeTempDir("lua-proc");
    test::TestProcess running(test::copySleepProgram(dir, "probe.exe"), {"60"});
    EXPECT_EQ(results("isProcessRunning(" + quoted(dir + "/PROBE.EXE") + ")"), "{true}");
}

TEST_F(SystemFunctionsTest, RegistryStringsAreWholeAndOnlyPlainText) {
    std::string longText(200, 'v');
    registry::Store user(registry::Root::CurrentUser);
    ASSERT_TRUE(user.setValue("Software\\Lua", "expand",
                              registry::Value::text("%TEMP%", registry::REG_EXPAND_SZ)));
    EXPECT_EQ(results("regQueryString(HKEY_CURRENT_USER, 'Software\\\\Lua', 'expand')"), "{}");

    EXPECT_EQ(
        results("regWriteString(HKEY_CURRENT_USER, 'Software\\\\Lua', 'long', '" + longText + "')"),
        "{}");
    EXPECT_EQ(results("regQueryString(HKEY_CURRENT_USER, 'software\\\\lua', 'LONG')"),
              "{" + quoted(longText) + "}");
    EXPECT_EQ(results("regQueryInteger(HKEY_CURRENT_USER, 'Software\\\\Lua', 'long')"), "{}");
    EXPECT_EQ(results("regQueryString(HKEY_LOCAL_MACHINE, 'Software\\\\Lua', 'long')"), "{}");
}

TEST_F(SystemFunctionsTest, RegistryIntegersDefaultValuesAndDeletion) {
    const std::string key = "'Software\\\\Lua\\\\N'";
    ASSERT_EQ(run("regWriteInteger(HKEY_CURRENT_USER, " + key + ", 'minus', -1)"), "");
    // 2147483649 is HKEY_CURRENT_USER's handle read as unsigned; 2.5 rounds to even.
    ASSERT_EQ(run("regWriteInteger(2147483649, " + key + ", 'half', 2.5)"), "");
    ASSERT_EQ(run("regWriteString(HKEY_CURRENT_USER, " + key + " .. '\\\\Deep', '', 'dflt')"), "");
    EXPECT_EQ(results("regQueryInteger(HKEY_CURRENT_USER, " + key + ", 'minus')"), "{-1}");
    EXPECT_EQ(results("regQueryInteger(HKEY_CURRENT_USER, " + key + ", 'half')"), "{2}");
    EXPECT_EQ(results("regQueryString(HKEY_CURRENT_USER, " + key + ", 'half')"), "{}");
    EXPECT_EQ(results("regQueryString(HKEY_CURRENT_USER, " + key + " .. '\\\\deep', '')"),
              "{\"dflt\"}");

    ASSERT_EQ(run("regDeleteValue(HKEY_CURRENT_USER, 'software\\\\lua\\\\n', 'MINUS')"), "");
    EXPECT_EQ(results("regQueryInteger(HKEY_CURRENT_USER, " + key + ", 'minus')"), "{}");
    EXPECT_EQ(results("regQueryInteger(HKEY_CURRENT_USER, " + key + ", 'half')"), "{2}");

    ASSERT_EQ(run("regDeleteSubKey(HKEY_CURRENT_USER, '')"), "");  // never the whole root
    EXPECT_TRUE(registry::Store(registry::Root::CurrentUser).keyExists("Software\\Lua\\N"));
    ASSERT_EQ(run("regDeleteSubKey(HKEY_CURRENT_USER, " + key + ")"), "");
    EXPECT_FALSE(registry::Store(registry::Root::CurrentUser).keyExists("Software\\Lua\\N"));
    EXPECT_EQ(results("regQueryString(HKEY_CURRENT_USER, " + key + " .. '\\\\Deep', '')"), "{}");
}

TEST_F(SystemFunctionsTest, RebootFailureIsShownAndNothingReboots) {
    std::vector<platform::MessageBoxRequest> boxes;
    platform::MessageBoxResponder previous =
        platform::setMessageBoxResponder([&](const platform::MessageBoxRequest& request) {
            boxes.push_back(request);
            return 1;
        });
    setenv("TAMLO_REBOOT_COMMAND", "exit 7", 1);
    EXPECT_EQ(results("reboot()"), "{}");
    setenv("TAMLO_REBOOT_COMMAND", "true", 1);
    EXPECT_EQ(results("reboot()"), "{}");  // success: no box
    setenv("TAMLO_REBOOT_COMMAND", "false", 1);
    platform::setMessageBoxResponder(previous);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"重启电脑失败，原因：7。 请手动重启电脑。");
    EXPECT_EQ(boxes[0].owner, 0u);
    EXPECT_EQ(boxes[0].type, 0u);
}

TEST_F(SystemFunctionsTest, MessageBoxAndPrint) {
    platform::MessageBoxRequest seen;
    platform::MessageBoxResponder previous =
        platform::setMessageBoxResponder([&](const platform::MessageBoxRequest& request) {
            seen = request;
            return 6;
        });
    EXPECT_EQ(results("showMessageBox('继续吗？', '提示', 4)"), "{6}");
    platform::setMessageBoxResponder(previous);
    EXPECT_EQ(seen.text, u"继续吗？");
    EXPECT_EQ(seen.caption, u"提示");
    EXPECT_EQ(seen.type, 4u);
    EXPECT_EQ(seen.owner, 0u);

    std::vector<std::string> lines;
    std::mutex linesMutex;
    DebugHook hook = setDebugHook([&](const std::string& line) {
        std::lock_guard<std::mutex> lock(linesMutex);
        lines.push_back(line);
    });
    EXPECT_EQ(results("print('安装 ' .. 12.5)"), "{}");
    setDebugHook(hook);
    EXPECT_EQ(lines, std::vector<std::string>{"安装 12.5"});
}

TEST_F(SystemFunctionsTest, RunningProcessBlockThroughScripts) {
    RunningProcessTargets targets = runningProcessTargets();
    EXPECT_EQ(results("getRunningProcess()"), "{}");
    ASSERT_TRUE(processes::writeRunningProcessBlock(targets.block, u"C:\\p\\x.exe;y.exe"));

    std::string dir = test::makeTempDir("lua-block");
    test::TestProcess x(test::copySleepProgram(dir, "x.exe"), {"60"});
    test::TestProcess y(test::copySleepProgram(dir, "y.exe"), {"60"});
    test::TestProcess product(test::copySleepProgram(dir, targets.productImageName), {"60"});

    EXPECT_EQ(results("getRunningProcess()"), "{\"C:\\\\p\\\\x.exe;y.exe\"}");
    EXPECT_EQ(results("killRunningProcess()"), "{}");
    EXPECT_TRUE(x.killedBySignal9());
    EXPECT_TRUE(product.killedBySignal9());
    EXPECT_TRUE(y.running());
    processes::removeRunningProcessBlock(targets.block);
}

TEST_F(SystemFunctionsTest, FoldersEnvironmentAndVersions) {
    std::string data = std::getenv("XDG_DATA_HOME");
    EXPECT_EQ(results("getAppDataFolder()"), "{" + quoted(data) + "}");
    std::string temp = std::getenv("TMPDIR");
    EXPECT_EQ(results("getTempFolder()"), "{" + quoted(temp + "/") + "}");
    EXPECT_EQ(results("isVista(), isWin8(), isWOW32()"), "{true, true, false}");

    EXPECT_EQ(results("setEnvVar('TAMLO_LUA_TEST', 'v1')"), "{}");
    EXPECT_STREQ(std::getenv("TAMLO_LUA_TEST"), "v1");
    EXPECT_EQ(results("shellExecuteEx('/bin/sh', \"-c 'test \\\"$TAMLO_LUA_TEST\\\" = v1'\","
                      " '', 0, 64)"),
              "{true, 0}");

    char saved[PATH_MAX];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    std::string dir = test::makeTempDir("lua-cwd");
    EXPECT_EQ(results("setCurrentDirectory(" + quoted(dir) + ")"), "{}");
    EXPECT_EQ(fs::current_path().string(), fs::path(dir).string());
    ASSERT_EQ(chdir(saved), 0);
}

}  // namespace
}  // namespace tamlo::script
