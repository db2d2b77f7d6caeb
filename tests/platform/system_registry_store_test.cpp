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

TEST_F(RegistryStoreTest, KeysCompareIgnoringCaseAndKeepTheirFirstSpelling) {
    ASSERT_TRUE(user_.setValue("Software\\Orvinex", "InstallPath", Value::text("/opt/Orvinex")));
    ASSERT_TRUE(user_.setValue("SOFTWARE\\orvinex\\Sub", "Version", Value::dword(3)));

    EXPECT_EQ(user_.keyDisplayPath("software\\ORVINEX\\sub").value_or("?"),
              "Software\\Orvinex\\Sub");
    EXPECT_EQ(user_.subKeys(""), std::vector<std::string>{"Software"});
    EXPECT_EQ(user_.subKeys("software"), std::vector<std::string>{"Orvinex"});
    std::optional<Value> path = user_.query("SOFTWARE\\ORVINEX", "installpath");
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(path->data, "/opt/Orvinex");

    // Doubled, leading and trailing separators name the same key.
    EXPECT_TRUE(user_.query("\\Software\\\\Orvinex\\", "InstallPath").has_value());
}

TEST_F(RegistryStoreTest, NonAsciiKeysFoldTheirCase) {
    ASSERT_TRUE(user_.setValue("Software\\ÄÖÜ软件", "Name", Value::text("x")));
    EXPECT_TRUE(user_.query("software\\äöü软件", "NAME").has_value());
}

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

TEST_F(RegistryStoreTest, DeletingAKeyRemovesItsSubtreeAndNothingBeside) {
    ASSERT_TRUE(user_.setValue("A\\B", "v", Value::dword(1)));
    ASSERT_TRUE(user_.setValue("A\\B\\C", "v", Value::dword(2)));
    ASSERT_TRUE(user_.setValue("A\\BC", "v", Value::dword(3)));  // shares the text prefix

    EXPECT_TRUE(user_.deleteKey("a\\b"));
    EXPECT_FALSE(user_.keyExists("A\\B"));
    EXPECT_FALSE(user_.keyExists("A\\B\\C"));
    EXPECT_FALSE(user_.query("A\\B\\C", "v").has_value());
    EXPECT_TRUE(user_.query("A\\BC", "v").has_value());
    EXPECT_TRUE(user_.keyExists("A"));

    EXPECT_FALSE(user_.deleteKey("A\\B"));  // already gone
    EXPECT_FALSE(user_.deleteKey(""));      // never a whole root
    EXPECT_TRUE(user_.keyExists("A\\BC"));
}

TEST_F(RegistryStoreTest, DeletingAValueKeepsItsKey) {
    ASSERT_TRUE(user_.setValue("K", "a", Value::dword(1)));
    EXPECT_TRUE(user_.deleteValue("k", "A"));
    EXPECT_FALSE(user_.deleteValue("k", "A"));
    EXPECT_TRUE(user_.keyExists("K"));
    EXPECT_FALSE(user_.query("K", "a").has_value());
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

TEST_F(RegistryStoreTest, ConcurrentWritersLoseNothing) {
    constexpr int kPerWriter = 60;
    auto writer = [this](const std::string& prefix) {
        Store store(Root::CurrentUser, file_);  // a connection of its own
        for (int i = 0; i < kPerWriter; ++i) {
            store.setValue("Shared\\" + prefix, "v" + std::to_string(i), Value::dword(i));
        }
    };
    std::thread first(writer, "one");
    std::thread second(writer, "two");
    first.join();
    second.join();
    EXPECT_EQ(user_.values("Shared\\one").size(), static_cast<size_t>(kPerWriter));
    EXPECT_EQ(user_.values("Shared\\two").size(), static_cast<size_t>(kPerWriter));
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
