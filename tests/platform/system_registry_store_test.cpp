#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/os/registry_store.h"
#include "support/test_environment.h"

namespace tamlo::registry {
namespace {

class RegistryStoreTest : public testing::Test {
  protected:
    std::string file_ = test::makeTempDir("registry") + "/registry.db";
    Store user_{Root::CurrentUser, file_};
};

TEST_F(RegistryStoreTest, ValuesKeepTheirTypeAndWholeLength) {
    std::string longText(5000, 'x');
    longText += "安装";
    ASSERT_TRUE(user_.setValue("K", "long", Value::text(longText)));
    ASSERT_TRUE(user_.setValue("K", "expand", Value::text("%TEMP%", REG_EXPAND_SZ)));
    ASSERT_TRUE(user_.setValue("K", "number", Value::dword(0xFFFFFFF8u)));
    Value binary;
    binary.type = REG_BINARY;
    binary.data = std::string("\0\1\2\xff", 4);
    ASSERT_TRUE(user_.setValue("K", "bytes", binary));

    EXPECT_EQ(user_.query("K", "long")->data, longText);
    EXPECT_EQ(user_.query("K", "expand")->type, REG_EXPAND_SZ);
    EXPECT_EQ(user_.query("K", "number")->asDword().value_or(0), 0xFFFFFFF8u);
    EXPECT_EQ(user_.query("K", "bytes")->type, REG_BINARY);
    EXPECT_EQ(user_.query("K", "bytes")->data, binary.data);

    // Writing again replaces type and data but keeps the name's spelling.
    ASSERT_TRUE(user_.setValue("K", "NUMBER", Value::text("now text")));
    std::vector<NamedValue> values = user_.values("K");
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[3].name, "number");
    EXPECT_EQ(values[3].value.type, REG_SZ);
}

TEST_F(RegistryStoreTest, RootsSharingAFileStayApart) {
    Store classes(Root::ClassesRoot, file_);
    ASSERT_TRUE(user_.setValue("K", "v", Value::text("user")));
    ASSERT_TRUE(classes.setValue("K", "v", Value::text("classes")));
    EXPECT_EQ(user_.query("K", "v")->data, "user");
    EXPECT_EQ(classes.query("K", "v")->data, "classes");
    EXPECT_TRUE(classes.deleteKey("K"));
    EXPECT_TRUE(user_.keyExists("K"));
}

TEST_F(RegistryStoreTest, ReadingOrDeletingNeverCreatesTheDatabase) {
    std::string missing = test::makeTempDir("registry") + "/sub/registry.db";
    Store store(Root::CurrentUser, missing);
    EXPECT_FALSE(store.query("K", "v").has_value());
    EXPECT_FALSE(store.deleteValue("K", "v"));
    EXPECT_FALSE(store.deleteKey("K"));
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_TRUE(store.setValue("K", "v", Value::dword(1)));  // creates folder and file
    EXPECT_TRUE(std::filesystem::exists(missing));
}

TEST(RegistryRoots, HandlesAndNamesMapToRoots) {
    EXPECT_EQ(rootFromHandle(static_cast<int32_t>(0x80000001u)), Root::CurrentUser);
    EXPECT_EQ(rootFromHandle(static_cast<int32_t>(0x80000003u)), Root::Users);
    EXPECT_FALSE(rootFromHandle(static_cast<int32_t>(0x80000005u)).has_value());
    EXPECT_FALSE(rootFromHandle(0).has_value());
    EXPECT_EQ(rootFromName("hkcr"), Root::ClassesRoot);
    EXPECT_EQ(rootFromName("HKEY_LOCAL_MACHINE"), Root::LocalMachine);
    EXPECT_FALSE(rootFromName("HKCC").has_value());
}

TEST(RegistryRoots, DatabaseFilesFollowTheEnvironment) {
    std::string saved = std::getenv("TAMLO_REGISTRY_DIR");
    EXPECT_EQ(Store::databasePathFor(Root::LocalMachine), saved + "/registry.db");
    EXPECT_EQ(Store::databasePathFor(Root::CurrentUser), saved + "/registry.db");

    unsetenv("TAMLO_REGISTRY_DIR");
    std::string data = std::getenv("XDG_DATA_HOME");
    EXPECT_EQ(Store::databasePathFor(Root::CurrentUser), data + "/tamlo/registry.db");
    EXPECT_EQ(Store::databasePathFor(Root::ClassesRoot), data + "/tamlo/registry.db");
    EXPECT_EQ(Store::databasePathFor(Root::LocalMachine), "/var/lib/tamlo/registry.db");
    EXPECT_EQ(Store::databasePathFor(Root::Users), "/var/lib/tamlo/registry.db");
    setenv("TAMLO_REGISTRY_DIR", saved.c_str(), 1);
}

}  // namespace
}  // namespace tamlo::registry
