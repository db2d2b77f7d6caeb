#include <gtest/gtest.h>

#include <lua.hpp>

#include <filesystem>
#include <map>
#include <string>

#include "platform/os/file_operations.h"
#include "platform/os/registry_store.h"
#include "resources/change_journal.h"
#include "resources/journal_record.h"
#include "script/system_functions.h"
#include "script/system_functions_script_runner.h"
#include "support/test_environment.h"

namespace tamlo::script {
namespace {

namespace fs = std::filesystem;

// The scripts below see `root` (a fresh folder, '/'-separated) and `journal` (a journal
// path outside it), and their own key below HKEY_CURRENT_USER.
class ChangeJournalTest : public testing::Test {
  protected:
    void SetUp() override {
        root = fs::path(test::makeTempDir("journal")).generic_string();
        journal =
            fs::path(test::makeTempDir("journal-file")).generic_string() + "/j/install.journal";
        key = "Software\\JournalTest" + std::to_string(++serial);
        L = luaL_newstate();
        luaL_openlibs(L);
        std::string error;
        ASSERT_TRUE(registerSystemFunctions(L, &error)) << error;
        setGlobal("root", root);
        setGlobal("journal", journal);
        setGlobal("key", key);
    }
    void TearDown() override { lua_close(L); }

    void setGlobal(const char* name, const std::string& value) {
        lua_pushlstring(L, value.data(), value.size());
        lua_setglobal(L, name);
    }

    std::string run(const std::string& chunk) { return test::runLuaText(L, chunk); }

    std::string global(const char* name) {
        lua_getglobal(L, name);
        std::string text = lua_tostring(L, -1) != nullptr ? lua_tostring(L, -1) : "(nil)";
        lua_pop(L, 1);
        return text;
    }

    // Every folder and file below `root` with its content, and every value below the
    // test's key.
    std::map<std::string, std::string> snapshot() {
        std::map<std::string, std::string> items;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            std::string path = entry.path().generic_string();
            items[path] = entry.is_directory() ? "<folder>" : test::readFile(path);
        }
        registry::Store store(registry::Root::CurrentUser);
        walkKey(store, key, &items);
        return items;
    }

    void walkKey(const registry::Store& store, const std::string& at,
                 std::map<std::string, std::string>* items) {
        if (!store.keyExists(at)) {
            return;
        }
        (*items)["key " + store.keyDisplayPath(at).value_or(at)] = "<key>";
        for (const registry::NamedValue& value : store.values(at)) {
            (*items)["value " + at + "\\" + value.name] =
                std::to_string(value.value.type) + ":" + value.value.data;
        }
        for (const std::string& child : store.subKeys(at)) {
            walkKey(store, at + "\\" + child, items);
        }
    }

    static inline int serial = 0;
    std::string root;
    std::string journal;
    std::string key;
    lua_State* L = nullptr;
};

// What the machine holds before each install below.
const char* kStartingState = R"(
    createDirectory(root .. "/keep/deep")
    local function write(path, text) local f = assert(io.open(path, "wb")) f:write(text) f:close() end
    write(root .. "/a.txt", "alpha")
    write(root .. "/old.txt", "old content")
    write(root .. "/c.txt", "to be moved")
    write(root .. "/d.txt", "to be removed")
    write(root .. "/keep/deep/e.txt", "in a removed folder")
    regWriteString(HKEY_CURRENT_USER, key, "Existing", "before")
    regWriteInteger(HKEY_CURRENT_USER, key, "Number", 7)
    regWriteString(HKEY_CURRENT_USER, key .. "\\Sub\\Deeper", "Inner", "inner value")
)";

// Every kind of change the journal records.
const char* kEveryChange = R"(
    createDirectory(root .. "/new/sub")
    assert(copyFile(root .. "/a.txt", root .. "/new/sub/b.txt"))
    assert(copyFile(root .. "/a.txt", root .. "/old.txt"))
    assert(moveFile(root .. "/c.txt", root .. "/moved.txt"))
    assert(removeFile(root .. "/d.txt"))
    removeDirectory(root .. "/keep")
    assert(createShortCut(root .. "/a.txt", root .. "/new/link.desktop"))
    regWriteString(HKEY_CURRENT_USER, key .. "\\Fresh\\Key", "Name", "new")
    regWriteString(HKEY_CURRENT_USER, key, "Existing", "after")
    regWriteInteger(HKEY_CURRENT_USER, key, "Number", -1)
    regDeleteValue(HKEY_CURRENT_USER, key, "Number")
    regDeleteSubKey(HKEY_CURRENT_USER, key .. "\\Sub")
)";

// A file just written may still be closing, shared with nobody (Windows): the journal
// waits for it before it keeps a copy to put back.
TEST_F(ChangeJournalTest, KeepsACopyOfAFileStillClosing) {
    ASSERT_EQ(run("assert(openJournal(journal))"), "");
    const std::string path = root + "/setup.dll";
    auto write = [&](const std::string& bytes, bool closeLater) {
        files::ReplacingFile file;
        return file.openForCheckedBytes(path) &&
               file.write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) &&
               (closeLater ? file.commitClosingLater() : file.commit());
    };
    ASSERT_TRUE(write("first", true));
    EXPECT_TRUE(journal::noteFileWrite(path));
    ASSERT_TRUE(write("second", false));
    EXPECT_EQ(run("assert(rollbackJournal())"), "");
    EXPECT_EQ(test::readFile(path), "first");
}

TEST_F(ChangeJournalTest, RollbackPutsBackEveryKindOfChange) {
    ASSERT_EQ(run(kStartingState), "");
    const std::map<std::string, std::string> before = snapshot();
    ASSERT_EQ(run("assert(openJournal(journal))\n"
                  "state = journalState(journal)\n"
                  "local ok, err = openJournal(journal .. '2')\n"
                  "second = tostring(ok) .. ' ' .. tostring(err)"),
              "");
    EXPECT_EQ(global("state"), "open");
    EXPECT_EQ(global("second").rfind("nil a journal is already open", 0), 0u) << global("second");
    ASSERT_EQ(run(kEveryChange), "");
    EXPECT_NE(snapshot(), before);
    EXPECT_FALSE(fs::exists(root + "/d.txt"));
    EXPECT_FALSE(fs::exists(root + "/keep"));

    ASSERT_EQ(run("assert(rollbackJournal())\nstate = journalState(journal)"), "");
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(global("state"), "none");
    EXPECT_FALSE(fs::exists(journal));
    EXPECT_FALSE(fs::exists(journal + ".kept"));
    EXPECT_FALSE(fs::exists(fs::path(journal).parent_path())) << "the folder made for it stays";
}

// A killed run leaves a journal whose last record may be cut: the cut record is not read,
// changes recorded but never made are passed over, and opening over it is refused.
TEST_F(ChangeJournalTest, TakesBackAJournalLeftByAKilledRunWithItsLastRecordCut) {
    fs::create_directories(fs::path(journal).parent_path());
    fs::create_directories(root + "/made");
    ASSERT_TRUE(test::writeFile(root + "/made/f", "written"));
    ASSERT_TRUE(test::writeFile(root + "/cut", "its record was cut"));
    registry::Store(registry::Root::CurrentUser).setValue(key, "V", registry::Value::text("x"));
    std::string text = "tamlo-journal 1\n";
    text += journal::formatRecord({"created-folder", {root + "/made"}});
    text += journal::formatRecord({"created-file", {root + "/made/f"}});
    text += journal::formatRecord({"created-file", {root + "/never written"}});
    text += journal::formatRecord({"created-key", {"HKCU", key}});
    text += journal::formatRecord({"wrote-value", {"HKCU", key, "V", "absent"}});
    std::string cut = journal::formatRecord({"created-file", {root + "/cut"}});
    text += cut.substr(0, cut.size() - 1);
    ASSERT_TRUE(test::writeFile(journal, text));

    ASSERT_EQ(run("state = journalState(journal)\n"
                  "local ok, err = openJournal(journal)\n"
                  "refused = tostring(ok) .. ' ' .. tostring(err)\n"
                  "assert(rollbackJournal(journal))"),
              "");
    EXPECT_EQ(global("state"), "open");
    EXPECT_NE(global("refused").find("take it back first"), std::string::npos) << global("refused");
    EXPECT_FALSE(fs::exists(root + "/made"));
    EXPECT_TRUE(fs::exists(root + "/cut"));
    EXPECT_FALSE(registry::Store(registry::Root::CurrentUser).keyExists(key));
    EXPECT_FALSE(fs::exists(journal));
}

TEST_F(ChangeJournalTest, UninstallRemovesWhatItMadeButKeepsAFileTheUserChanged) {
    ASSERT_EQ(run(kStartingState), "");
    const std::map<std::string, std::string> before = snapshot();
    ASSERT_EQ(run("assert(openJournal(journal))\n"
                  "createDirectory(root .. '/app/bin')\n"
                  "assert(copyFile(root .. '/a.txt', root .. '/app/bin/x'))\n"
                  "assert(copyFile(root .. '/a.txt', root .. '/app/bin/y'))\n"
                  "assert(createShortCut(root .. '/app/bin/x', root .. '/app/x.desktop'))\n"
                  "regWriteString(HKEY_CURRENT_USER, key .. '\\\\Product', 'Path', root)\n"
                  "regWriteString(HKEY_CURRENT_USER, key, 'Existing', 'installed')\n"
                  "assert(commitJournal())\n"
                  "state = journalState(journal)\n"
                  "local ok, err = openJournal(journal)\n"
                  "refused = tostring(ok) .. ' ' .. tostring(err)"),
              "");
    EXPECT_EQ(global("state"), "committed");
    EXPECT_NE(global("refused").find("already committed"), std::string::npos) << global("refused");
    EXPECT_FALSE(fs::exists(journal + ".kept"));
    ASSERT_TRUE(test::writeFile(root + "/app/bin/y", "the user's own edit"));
    ASSERT_TRUE(test::writeFile(root + "/app/notes.txt", "the user's own file"));

    ASSERT_EQ(run("local ok, kept = uninstallJournal(journal)\n"
                  "assert(ok, kept)\n"
                  "kept_list = table.concat(kept, '|')"),
              "");
    // Kept paths are reported in the system's own separators.
    EXPECT_EQ(global("kept_list"),
              files::normalizeSeparators(root + "/app/bin/y|" + root + "/app/bin|" + root +
                                         "/app/notes.txt|" + root + "/app"));
    std::map<std::string, std::string> expected = before;
    expected[root + "/app"] = "<folder>";
    expected[root + "/app/bin"] = "<folder>";
    expected[root + "/app/bin/y"] = "the user's own edit";
    expected[root + "/app/notes.txt"] = "the user's own file";
    EXPECT_EQ(snapshot(), expected);
    EXPECT_FALSE(fs::exists(journal));
}

// An upgrade installs over the old version with a new journal, removes what only the old
// one made, and a later uninstall of the new version leaves the machine as it began.
TEST_F(ChangeJournalTest, UpgradeRemovesWhatOnlyTheOldVersionMadeAndHandsTheRestOver) {
    ASSERT_EQ(run(kStartingState), "");
    const std::map<std::string, std::string> before = snapshot();
    const char* install = R"(
        function install(path, files, version)
            assert(openJournal(path))
            createDirectory(root .. "/app")
            for _, name in ipairs(files) do assert(copyFile(root .. "/a.txt", root .. "/app/" .. name)) end
            regWriteString(HKEY_CURRENT_USER, key .. "\\Product", "Version", version)
            regWriteString(HKEY_CURRENT_USER, key, "Existing", version)
            assert(commitJournal())
        end
        install(journal, {"shared", "only-old"}, "1")
        install(journal .. ".v2", {"shared", "only-new"}, "2")
        assert(uninstallJournal(journal, journal .. ".v2"))
    )";
    ASSERT_EQ(run(install), "");
    EXPECT_FALSE(fs::exists(root + "/app/only-old"));
    EXPECT_TRUE(fs::exists(root + "/app/shared"));
    EXPECT_TRUE(fs::exists(root + "/app/only-new"));
    registry::Store store(registry::Root::CurrentUser);
    EXPECT_EQ(store.query(key + "\\Product", "Version").value_or(registry::Value()).data, "2");

    ASSERT_EQ(run("local ok, kept = uninstallJournal(journal .. '.v2')\n"
                  "assert(ok and #kept == 0, kept)"),
              "");
    EXPECT_EQ(snapshot(), before);
}

}  // namespace
}  // namespace tamlo::script
