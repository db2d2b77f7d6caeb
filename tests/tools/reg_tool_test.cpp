#include <gtest/gtest.h>

#include <lua.hpp>

#include <string>
#include <thread>
#include <vector>

#include "platform/os/registry_store.h"
#include "script/system_functions.h"
#include "support/test_environment.h"

namespace tamlo {
namespace {

test::CommandResult reg(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {test::binaryPath("tamlo-reg")};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return test::runCommand(argv);
}

size_t lineCount(const std::string& text) {
    size_t lines = 0;
    for (char c : text) {
        lines += c == '\n' ? 1 : 0;
    }
    return lines;
}

TEST(RegTool, SetQueryDeleteRoundTrip) {
    ASSERT_EQ(reg({"set", "HKCU", "Software\\RegTool", "Path", "sz", "/opt/安装"}).exitCode, 0);
    ASSERT_EQ(reg({"set", "hkcu", "software\\regtool", "Count", "dword", "0x10"}).exitCode, 0);
    ASSERT_EQ(reg({"set", "HKCU", "Software\\RegTool", "Minus", "dword", "-8"}).exitCode, 0);

    EXPECT_EQ(reg({"query", "HKCU", "SOFTWARE\\REGTOOL", "path"}).out, "/opt/安装\n");
    EXPECT_EQ(reg({"query", "HKCU", "Software\\RegTool", "Count"}).out, "16 (0x00000010)\n");
    registry::Store user(registry::Root::CurrentUser);
    EXPECT_EQ(user.query("Software\\RegTool", "Minus")->asDword().value_or(0), 0xFFFFFFF8u);

    test::CommandResult listing = reg({"query", "HKCU", "Software\\RegTool"});
    EXPECT_EQ(listing.exitCode, 0);
    EXPECT_NE(listing.out.find("Path (REG_SZ) = /opt/安装\n"), std::string::npos);

    EXPECT_EQ(reg({"delete", "HKCU", "Software\\RegTool", "Count"}).exitCode, 0);
    EXPECT_NE(reg({"query", "HKCU", "Software\\RegTool", "Count"}).exitCode, 0);
    EXPECT_EQ(reg({"delete", "HKCU", "Software\\RegTool"}).exitCode, 0);
    EXPECT_FALSE(user.keyExists("Software\\RegTool"));
}

TEST(RegTool, FailuresExitNonZeroWithOneLine) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"query", "HKXX", "Software"},
        {"query", "HKCU", "No\\Such\\Key"},
        {"query", "HKCU", "Software", "missing-value"},
        {"set", "HKCU", "K", "v", "qword", "1"},
        {"set", "HKCU", "K", "v", "dword", "12abc"},
        {"set", "HKCU", "K", "v", "dword", "4294967296"},
        {"delete", "HKCU", "No\\Such\\Key"},
        {"delete", "HKCU", ""},
        {"export", "HKCU", "No\\Such\\Key"},
        {"frobnicate", "HKCU"},
    };
    ASSERT_EQ(reg({"set", "HKCU", "Software", "x", "sz", "y"}).exitCode, 0);
    for (const auto& arguments : bad) {
        test::CommandResult result = reg(arguments);
        std::string shown = arguments.empty() ? "(none)" : arguments[0];
        EXPECT_NE(result.exitCode, 0) << shown;
        EXPECT_EQ(lineCount(result.err), 1u) << shown << ": " << result.err;
    }
    EXPECT_TRUE(registry::Store(registry::Root::CurrentUser).keyExists("Software"));
}

TEST(RegTool, ExportShowsWhatAScriptWrote) {
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    ASSERT_TRUE(script::registerSystemFunctions(L));
    const char* script =
        "regWriteString(HKEY_LOCAL_MACHINE, 'Software\\\\Orvinex', 'InstallPath', '/opt/Orvinex')\n"
        "regWriteInteger(HKEY_LOCAL_MACHINE, 'software\\\\orvinex\\\\Update', 'Channel', 2)\n"
        "regWriteString(HKEY_LOCAL_MACHINE, 'Software\\\\Orvinex', '', '默认')\n";
    ASSERT_EQ(luaL_dostring(L, script), LUA_OK) << lua_tostring(L, -1);
    lua_close(L);

    test::CommandResult result = reg({"export", "HKLM", "SOFTWARE"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "HKLM\\Software\n"
              "  Orvinex\n"
              "    (default) (REG_SZ) = 默认\n"
              "    InstallPath (REG_SZ) = /opt/Orvinex\n"
              "    Update\n"
              "      Channel (REG_DWORD) = 2 (0x00000002)\n");
    // The other root of the same database file holds none of it.
    EXPECT_NE(reg({"export", "HKU", "Software"}).exitCode, 0);
}

TEST(RegTool, TwoProcessesWriteAtOnce) {
    constexpr int kWrites = 15;
    auto writer = [](const std::string& key) {
        for (int i = 0; i < kWrites; ++i) {
            reg({"set", "HKCU", "Software\\Busy\\" + key, "v" + std::to_string(i), "dword",
                 std::to_string(i)});
        }
    };
    std::thread first(writer, "one");
    std::thread second(writer, "two");
    first.join();
    second.join();
    registry::Store user(registry::Root::CurrentUser);
    EXPECT_EQ(user.values("Software\\Busy\\one").size(), static_cast<size_t>(kWrites));
    EXPECT_EQ(user.values("Software\\Busy\\two").size(), static_cast<size_t>(kWrites));
}

}  // namespace
}  // namespace tamlo
