#include <gtest/gtest.h>

#include <lua.hpp>

#include <cstdint>
#include <string>

#include "script/lua_arguments.h"
#include "script/system_functions_script_runner.h"

namespace tamlo::script {
namespace {

// Evaluates a Lua expression onto the stack of a fresh state and converts it.
class LuaArgumentsTest : public testing::Test {
  protected:
    void SetUp() override {
        L = luaL_newstate();
        luaL_openlibs(L);
    }
    void TearDown() override { lua_close(L); }

    void push(const std::string& expression) {
        lua_settop(L, 0);
        ASSERT_EQ(test::runLuaText(L, "__value = " + expression), "");
        lua_getglobal(L, "__value");
    }
    int64_t integer(const std::string& expression) {
        push(expression);
        return integerArgument(L, 1);
    }
    std::string text(const std::string& expression) {
        push(expression);
        return utf8TextArgument(L, 1);
    }

    lua_State* L = nullptr;
};

TEST_F(LuaArgumentsTest, IntegersRoundHalfToEvenAndReadNumericStrings) {
    EXPECT_EQ(integer("2.5"), 2);
    EXPECT_EQ(integer("3.5"), 4);
    EXPECT_EQ(integer("-2.5"), -2);
    EXPECT_EQ(integer("2.4999"), 2);
    EXPECT_EQ(integer("' 12 '"), 12);
    EXPECT_EQ(integer("'0x10'"), 16);
    EXPECT_EQ(integer("'12abc'"), 0);
    EXPECT_EQ(integer("{}"), 0);
    EXPECT_EQ(integer("true"), 0);
    EXPECT_EQ(integer("nil"), 0);
    EXPECT_EQ(integer("0/0"), 0);
    EXPECT_EQ(integer("1/0"), 0);
    EXPECT_EQ(integer("1e300"), 0);
    lua_settop(L, 0);
    EXPECT_EQ(integerArgument(L, 5), 0);  // beyond the arguments
}

TEST_F(LuaArgumentsTest, Int32WrapsAsAHandleWould) {
    push("2147483648");
    EXPECT_EQ(int32Argument(L, 1), INT32_MIN);
    push("-2147483647");
    EXPECT_EQ(int32Argument(L, 1), INT32_MIN + 1);
    push("4294967295");
    EXPECT_EQ(int32Argument(L, 1), -1);
}

TEST_F(LuaArgumentsTest, BooleansFollowLuaTruth) {
    push("0");
    EXPECT_TRUE(booleanArgument(L, 1));
    push("''");
    EXPECT_TRUE(booleanArgument(L, 1));
    push("false");
    EXPECT_FALSE(booleanArgument(L, 1));
    push("nil");
    EXPECT_FALSE(booleanArgument(L, 1));
}

TEST_F(LuaArgumentsTest, TextsTakeStringsAndNumbersOnly) {
    EXPECT_EQ(text("'安装'"), "安装");
    EXPECT_EQ(text("12"), "12");
    EXPECT_EQ(text("12.5"), "12.5");
    EXPECT_EQ(text("{}"), "");
    EXPECT_EQ(text("false"), "");
    EXPECT_EQ(text("'a\\0b'"), "a");               // stops where a wide C string would
    EXPECT_EQ(text("'\\255x'"), "\xEF\xBF\xBDx");  // invalid UTF-8 repaired
    push("12");
    EXPECT_EQ(textArgument(L, 1), u"12");
    EXPECT_EQ(lua_type(L, 1), LUA_TNUMBER);  // the stack slot is left as it was
}

TEST_F(LuaArgumentsTest, PushTextPushesExactlyOneString) {
    lua_settop(L, 0);
    EXPECT_EQ(pushText(L, std::string_view("a\0b", 3)), 1);
    EXPECT_EQ(pushText(L, std::u16string_view(u"安装")), 1);
    ASSERT_EQ(lua_gettop(L), 2);
    size_t length = 0;
    const char* first = lua_tolstring(L, 1, &length);
    EXPECT_EQ(std::string(first, length), std::string("a\0b", 3));
    EXPECT_STREQ(lua_tostring(L, 2), "安装");
}

}  // namespace
}  // namespace tamlo::script
