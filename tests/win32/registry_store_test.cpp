// The store's type constants come first: <windows.h> defines the same names as macros.
#include "platform/os/registry_store.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace tamlo::registry {
namespace {

// Every case works below a key of this process alone and removes it afterwards.
class Win32Registry : public testing::Test {
  protected:
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, base_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, base_.c_str());
    }
    std::wstring base_ = L"Software\\TamloTest-" + std::to_wstring(GetCurrentProcessId());
    std::string key_ = "Software\\TamloTest-" + std::to_string(GetCurrentProcessId());
    Store store_{Root::CurrentUser};
};

TEST_F(Win32Registry, EveryTypeComesBackAsWritten) {
    const std::string binary("\x00\x01\xff\x00", 4);
    ASSERT_TRUE(store_.setValue(key_ + "\\Types", "text", Value::text("Grüße 安装")));
    ASSERT_TRUE(store_.setValue(key_ + "\\Types", "expand",
                                Value::text("%ProgramFiles%\\Orvinex", REG_EXPAND_SZ)));
    ASSERT_TRUE(store_.setValue(key_ + "\\Types", "blob", Value{REG_BINARY, binary}));
    ASSERT_TRUE(store_.setValue(key_ + "\\Types", "number", Value::dword(0xfffffff8u)));
    ASSERT_TRUE(store_.setValue(key_ + "\\Types", "", Value::text("default")));

    std::optional<Value> text = store_.query(key_ + "\\Types", "TEXT");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->type, static_cast<uint32_t>(REG_SZ));
    EXPECT_EQ(text->data, "Grüße 安装");
    std::optional<Value> expand = store_.query(key_ + "\\types", "expand");
    ASSERT_TRUE(expand);
    EXPECT_EQ(expand->type, static_cast<uint32_t>(REG_EXPAND_SZ));
    EXPECT_EQ(expand->data, "%ProgramFiles%\\Orvinex");
    std::optional<Value> blob = store_.query(key_ + "\\Types", "blob");
    ASSERT_TRUE(blob);
    EXPECT_EQ(blob->type, static_cast<uint32_t>(REG_BINARY));
    EXPECT_EQ(blob->data, binary);
    std::optional<Value> number = store_.query(key_ + "\\Types", "number");
    ASSERT_TRUE(number);
    EXPECT_EQ(number->asDword().value_or(0), 0xfffffff8u);
    EXPECT_EQ(store_.query(key_ + "\\Types", "").value_or(Value{}).data, "default");

    // The system sees the text with its terminator, as any other program reads it.
    wchar_t raw[64] = {};
    DWORD size = sizeof raw;
    DWORD type = 0;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, (base_ + L"\\Types").c_str(), L"text", RRF_RT_REG_SZ,
                           &type, raw, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(raw), L"Grüße 安装");

    std::vector<NamedValue> values = store_.values(key_ + "\\Types");
    ASSERT_EQ(values.size(), 5u);
    EXPECT_EQ(values[0].name, "");
    EXPECT_EQ(values[1].name, "blob");
    EXPECT_EQ(values[4].name, "text");
}

}  // namespace
}  // namespace tamlo::registry
