// The OS contract for the registry: the store on Linux and the system registry on Windows
// answer alike. Every case works below a key of this process alone and removes it after.
#include "platform/os/registry_store.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/os/os_services.h"

namespace tamlo::registry {
namespace {

class OsContractRegistry : public testing::Test {
  protected:
    void TearDown() override { store_.deleteKey(base_); }
    std::string key(const std::string& below) const { return base_ + "\\" + below; }

    const std::string base_ = "Software\\TamloContract-" + std::to_string(os::currentProcessId());
    Store store_{Root::CurrentUser};
};

TEST_F(OsContractRegistry, KeysCompareIgnoringCaseAndKeepTheirFirstSpelling) {
    ASSERT_TRUE(store_.setValue(key("Orvinex"), "InstallPath", Value::text("/opt/Orvinex")));
    ASSERT_TRUE(store_.setValue(key("ORVINEX\\Sub"), "Version", Value::dword(3)));
    ASSERT_TRUE(store_.setValue(key("ÄÖÜ软件"), "Name", Value::text("x")));

    EXPECT_EQ(store_.keyDisplayPath(key("orvinex\\SUB")).value_or("?"), key("Orvinex\\Sub"));
    EXPECT_EQ(store_.subKeys(base_), (std::vector<std::string>{"Orvinex", "ÄÖÜ软件"}));
    EXPECT_EQ(store_.query(key("orvinex"), "installpath").value_or(Value{}).data, "/opt/Orvinex");
    EXPECT_TRUE(store_.query(key("äöü软件"), "NAME").has_value());
    // Doubled, leading and trailing separators name the same key.
    EXPECT_TRUE(store_.query("\\" + base_ + "\\\\Orvinex\\", "InstallPath").has_value());
}

TEST_F(OsContractRegistry, EveryTypeComesBackWhole) {
    const std::string longText = std::string(5000, 'x') + "安装";
    const std::string binary("\x00\x01\xff\x00", 4);
    const std::string types = key("Types");
    ASSERT_TRUE(store_.setValue(types, "text", Value::text(longText)));
    ASSERT_TRUE(store_.setValue(types, "expand", Value::text("%TEMP%\\Orvinex", REG_EXPAND_SZ)));
    ASSERT_TRUE(store_.setValue(types, "blob", Value{REG_BINARY, binary}));
    ASSERT_TRUE(store_.setValue(types, "number", Value::dword(0xfffffff8u)));
    ASSERT_TRUE(store_.setValue(types, "", Value::text("default")));

    std::optional<Value> text = store_.query(types, "TEXT");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->type, REG_SZ);
    EXPECT_EQ(text->data, longText);
    EXPECT_EQ(store_.query(types, "expand").value_or(Value{}).type, REG_EXPAND_SZ);
    EXPECT_EQ(store_.query(types, "blob").value_or(Value{}).data, binary);
    EXPECT_EQ(store_.query(types, "number").value_or(Value{}).asDword().value_or(0), 0xfffffff8u);
    EXPECT_EQ(store_.query(types, "").value_or(Value{}).data, "default");

    // Writing again replaces type and data.
    ASSERT_TRUE(store_.setValue(types, "number", Value::text("now text")));
    EXPECT_EQ(store_.query(types, "number").value_or(Value{}).type, REG_SZ);
    std::vector<NamedValue> values = store_.values(types);
    ASSERT_EQ(values.size(), 5u);  // sorted by name
    EXPECT_EQ(values[0].name, "");
    EXPECT_EQ(values[1].name, "blob");
    EXPECT_EQ(values[4].name, "text");
}

TEST_F(OsContractRegistry, DeletingAKeyTakesItsSubtreeAndNothingBeside) {
    ASSERT_TRUE(store_.setValue(key("A\\B"), "v", Value::dword(1)));
    ASSERT_TRUE(store_.setValue(key("A\\B\\C"), "v", Value::dword(2)));
    ASSERT_TRUE(store_.setValue(key("A\\BC"), "v", Value::dword(3)));  // shares the text prefix

    EXPECT_TRUE(store_.deleteKey(key("a\\b")));
    EXPECT_FALSE(store_.keyExists(key("A\\B")));
    EXPECT_FALSE(store_.query(key("A\\B\\C"), "v").has_value());
    EXPECT_TRUE(store_.query(key("A\\BC"), "v").has_value());
    EXPECT_FALSE(store_.deleteKey(key("A\\B")));  // already gone

    // Never a whole root.
    EXPECT_FALSE(store_.deleteKey(""));
    EXPECT_FALSE(store_.deleteKey("\\\\"));
    EXPECT_TRUE(store_.keyExists(key("A\\BC")));
}

TEST_F(OsContractRegistry, DeletingAValueKeepsItsKey) {
    ASSERT_TRUE(store_.setValue(key("K"), "a", Value::dword(1)));
    EXPECT_TRUE(store_.deleteValue(key("k"), "A"));
    EXPECT_FALSE(store_.deleteValue(key("k"), "A"));
    EXPECT_TRUE(store_.keyExists(key("K")));
    EXPECT_FALSE(store_.query(key("K"), "a").has_value());
}

TEST_F(OsContractRegistry, MissingKeysAndValuesGiveNothing) {
    EXPECT_FALSE(store_.query(key("Nowhere"), "x").has_value());
    EXPECT_FALSE(store_.keyDisplayPath(key("Nowhere")).has_value());
    EXPECT_TRUE(store_.values(key("Nowhere")).empty());
    EXPECT_TRUE(store_.subKeys(key("Nowhere")).empty());
    ASSERT_TRUE(store_.createKey(key("Empty")));
    EXPECT_TRUE(store_.keyExists(key("Empty")));
    EXPECT_FALSE(store_.query(key("Empty"), "absent").has_value());
}

TEST_F(OsContractRegistry, ConcurrentWritersLoseNothing) {
    constexpr int kPerWriter = 40;
    auto writer = [this](const std::string& below) {
        Store store(Root::CurrentUser);  // a store of its own
        for (int i = 0; i < kPerWriter; ++i) {
            store.setValue(key(below), "v" + std::to_string(i), Value::dword(i));
        }
    };
    std::thread first(writer, "one");
    std::thread second(writer, "two");
    first.join();
    second.join();
    EXPECT_EQ(store_.values(key("one")).size(), static_cast<size_t>(kPerWriter));
    EXPECT_EQ(store_.values(key("two")).size(), static_cast<size_t>(kPerWriter));
}

}  // namespace
}  // namespace tamlo::registry
