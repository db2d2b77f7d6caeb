// docs/scripting.md and docs/layouts.md against the engine's own tables: the globals of
// both Lua states, the window and control wrappers' methods, the event table, the control
// and style factories and the attribute setters. A name on one side only fails the test,
// and the failure lists every such name, so a new binding cannot land undocumented.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <set>
#include <sstream>

#include <lua.hpp>

#include "dui/loader/attribute_registry.h"
#include "dui/loader/control_factory.h"
#include "dui/loader/layout_loader.h"
#include "dui/loader/ui_registries.h"
#include "platform/text_encoding.h"
#include "script/bindings_fixture.h"

namespace tamlo::test {
namespace {

using NameSet = std::set<std::string>;
// Table name -> its names (attributes: "name kind").
using Tables = std::map<std::string, NameSet>;

std::string readSource(const std::string& relative) {
    std::ifstream file(std::string(TAMLO_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

NameSet splitNames(const std::string& joined) {
    NameSet names;
    std::istringstream stream(joined);
    for (std::string name; std::getline(stream, name, ',');) {
        if (!name.empty()) {
            names.insert(name);
        }
    }
    return names;
}

// The first `quoted` name of `text` from `from`, without what follows a '(' or blank.
std::string firstQuotedName(const std::string& text, std::size_t from = 0) {
    const std::size_t open = text.find('`', from);
    const std::size_t close = open == std::string::npos ? open : text.find('`', open + 1);
    if (close == std::string::npos) {
        return "";
    }
    std::string name = text.substr(open + 1, close - open - 1);
    return name.substr(0, name.find_first_of("( "));
}

std::vector<std::string> quotedNames(const std::string& text) {
    std::vector<std::string> names;
    for (std::size_t at = text.find('`'); at != std::string::npos;) {
        const std::size_t close = text.find('`', at + 1);
        if (close == std::string::npos) {
            break;
        }
        names.push_back(text.substr(at + 1, close - at - 1));
        at = text.find('`', close + 1);
    }
    return names;
}

// What a reference page names, by table. Entries are "### `name...`" headings under a
// "## " section, or for attributes the rows "| `name` | kind |". A section's heading says
// which table its entries join:
//   "## Both states: ..."  -> "UI state globals" and "worker state globals"
//   "## UI state: ..." / "## Worker state: ..." -> that state's globals
//   "## Window methods"    -> "window methods"
//   "## Control methods: every control" or "## Control methods: `Button` `CheckBox` ..."
//                          -> "methods of <element>" for each element (every factory element)
//   "## Events"            -> "events" ("### `event.Click`" counts as "Click")
//   "## Elements" / "## Style types" / "## Attributes" -> those tables of layouts.md
Tables readPage(const std::string& text, const NameSet& allElements) {
    Tables tables;
    std::vector<std::string> targets;
    std::istringstream lines(text);
    bool attributes = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("## ", 0) == 0) {
            targets.clear();
            attributes = false;
            const std::string heading = line.substr(3);
            if (heading.rfind("Both states", 0) == 0) {
                targets = {"UI state globals", "worker state globals"};
            } else if (heading.rfind("UI state", 0) == 0) {
                targets = {"UI state globals"};
            } else if (heading.rfind("Worker state", 0) == 0) {
                targets = {"worker state globals"};
            } else if (heading.rfind("Window methods", 0) == 0) {
                targets = {"window methods"};
            } else if (heading.rfind("Control methods", 0) == 0) {
                const std::vector<std::string> named = quotedNames(heading);
                const NameSet elements =
                    named.empty() ? allElements : NameSet(named.begin(), named.end());
                for (const std::string& element : elements) {
                    targets.push_back("methods of " + element);
                }
            } else if (heading.rfind("Events", 0) == 0) {
                targets = {"events"};
            } else if (heading.rfind("Elements", 0) == 0) {
                targets = {"elements"};
            } else if (heading.rfind("Style types", 0) == 0) {
                targets = {"style types"};
            } else if (heading.rfind("Attributes", 0) == 0) {
                attributes = true;
            }
            for (const std::string& target : targets) {
                tables[target];  // a section may be empty on purpose
            }
            continue;
        }
        if (attributes && line.rfind("| `", 0) == 0) {
            const std::size_t kindStart = line.find('|', 1);
            const std::size_t kindEnd = line.find('|', kindStart + 1);
            std::string kind = line.substr(kindStart + 1, kindEnd - kindStart - 1);
            kind.erase(0, kind.find_first_not_of(' '));
            kind.erase(kind.find_last_not_of(' ') + 1);
            tables["attributes"].insert(firstQuotedName(line) + " " + kind);
            continue;
        }
        if (line.rfind("### `", 0) == 0) {
            std::string name = firstQuotedName(line);
            if (name.rfind("event.", 0) == 0) {
                name = name.substr(6);
            }
            for (const std::string& target : targets) {
                tables[target].insert(name);
            }
        }
    }
    return tables;
}

// One line per name that one side has and the other lacks.
std::vector<std::string> differences(const std::string& page, const Tables& engine,
                                     const Tables& documented) {
    std::vector<std::string> found;
    for (const auto& [table, names] : engine) {
        const auto pageTable = documented.find(table);
        const NameSet empty;
        const NameSet& onPage = pageTable == documented.end() ? empty : pageTable->second;
        for (const std::string& name : names) {
            if (onPage.count(name) == 0) {
                found.push_back(page + " lacks " + name + " (" + table + ")");
            }
        }
        for (const std::string& name : onPage) {
            if (names.count(name) == 0) {
                found.push_back(page + " names " + name + ", which the engine lacks (" + table +
                                ")");
            }
        }
    }
    for (const auto& [table, names] : documented) {
        if (engine.count(table) == 0) {
            found.push_back(page + " has a table the engine lacks: " + table);
        }
    }
    return found;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += "  " + line + "\n";
    }
    return text;
}

std::vector<std::string> utf8Names(const std::vector<std::u16string>& names) {
    std::vector<std::string> result;
    for (const std::u16string& name : names) {
        result.push_back(utf16ToUtf8(name));
    }
    return result;
}

const char kKeysFunction[] =
    "function keysOf(t) local r = {} for k in pairs(t) do r[#r + 1] = tostring(k) end "
    "table.sort(r) return table.concat(r, ',') end ";

class ReferencePagesTest : public BindingsTest {
  protected:
    void SetUp() override {
        BindingsTest::SetUp();
        dui::UiRegistries* registries = dui::uiRegistries();
        ASSERT_NE(registries, nullptr);
        for (const std::string& name : utf8Names(registries->controlFactory->names())) {
            elements.insert(name);
        }
        // A page with one control of every element, each under its own id.
        std::string page = "<Canvas>";
        int id = 1;
        for (const std::string& element : elements) {
            page += "<" + element + " id=\"" + std::to_string(id) + "\"/>";
            elementIds[element] = id++;
        }
        page += "</Canvas>";
        previousSource =
            dui::setLayoutSource([this, page](std::u16string_view name, std::string& bytes) {
                if (name == u"every.xml") {
                    bytes = page;
                    return true;
                }
                return previousSource(name, bytes);
            });
    }

    void TearDown() override {
        dui::setLayoutSource(previousSource);
        BindingsTest::TearDown();
    }

    // Every table the engine has, read from the running engine.
    Tables engineTables() {
        Tables tables;
        run(kKeysFunction);
        // Standard names the engine registers again (its own print) count as its own.
        NameSet standard = standardGlobals();
        for (const std::string& name : replacedStandardFunctions(standard)) {
            standard.erase(name);
        }
        const NameSet fixture = {"control", "newWindow", "raise", "keysOf"};
        for (const std::string& name : splitNames(run("return keysOf(_G)"))) {
            if (standard.count(name) == 0 && fixture.count(name) == 0) {
                tables["UI state globals"].insert(name);
            }
        }
        for (const std::string& name : workerGlobals()) {
            if (standard.count(name) == 0) {
                tables["worker state globals"].insert(name);
            }
        }
        tables["window methods"] = splitNames(run("return keysOf(createWindow('page.xml'))"));
        run("every = createWindow('every.xml')");
        for (const auto& [element, id] : elementIds) {
            tables["methods of " + element] =
                splitNames(run("return keysOf(every:getChild(" + std::to_string(id) + "))"));
        }
        tables["events"] = splitNames(run("return keysOf(event)"));
        tables["elements"] = elements;
        dui::UiRegistries* registries = dui::uiRegistries();
        for (const std::string& name : utf8Names(registries->styleFactory->names())) {
            tables["style types"].insert(name);
        }
        for (const std::u16string& name : registries->attributeRegistry->names()) {
            tables["attributes"].insert(
                utf16ToUtf8(name) + " " +
                dui::valueKindName(*registries->attributeRegistry->find(name)));
        }
        for (std::string_view flag : dui::flagAttributeNames()) {
            tables["attributes"].insert(std::string(flag) + " flag");
        }
        return tables;
    }

    static Tables scriptingTables(const Tables& all) {
        Tables result = all;
        result.erase("elements");
        result.erase("style types");
        result.erase("attributes");
        return result;
    }

    static Tables layoutTables(const Tables& all) {
        Tables result;
        for (const char* table : {"elements", "style types", "attributes"}) {
            result[table] = all.at(table);
        }
        return result;
    }

    // The names a Lua state has from its standard libraries alone.
    static NameSet standardGlobals() {
        NameSet names;
        lua_State* plain = luaL_newstate();
        luaL_openlibs(plain);
        lua_pushglobaltable(plain);
        lua_pushnil(plain);
        while (lua_next(plain, -2) != 0) {
            lua_pop(plain, 1);  // the value; the key stays for lua_next
            if (lua_type(plain, -1) == LUA_TSTRING) {
                names.insert(lua_tostring(plain, -1));
            }
        }
        lua_close(plain);
        return names;
    }

    // True when the function on top of `state` only waits for closing files, then calls
    // `own` (its first upvalue): the standard function itself, not a replacement.
    static bool callsOn(lua_State* state, lua_CFunction own) {
        if (lua_getupvalue(state, -1, 1) == nullptr) {
            return false;
        }
        const bool wraps = lua_tocfunction(state, -1) == own;
        lua_pop(state, 1);
        return wraps;
    }

    // The standard library functions whose global in the UI state is another C function.
    NameSet replacedStandardFunctions(const NameSet& standard) {
        NameSet replaced;
        lua_State* plain = luaL_newstate();
        luaL_openlibs(plain);
        for (const std::string& name : standard) {
            lua_getglobal(plain, name.c_str());
            lua_getglobal(L, name.c_str());
            const lua_CFunction own = lua_tocfunction(plain, -1);
            if (own != nullptr && lua_tocfunction(L, -1) != own && !callsOn(L, own)) {
                replaced.insert(name);
            }
            lua_pop(plain, 1);
            lua_pop(L, 1);
        }
        lua_close(plain);
        return replaced;
    }

    // The globals a worker script sees (given a config), as it reports them itself.
    NameSet workerGlobals() {
        setPayload({{u"readme.txt", "text"}});
        files.files[u"LG.lua"] = std::string(kKeysFunction) +
                                 "local names = keysOf(_G) keysOf = nil notifyMessage(names)";
        const std::string seen =
            run("local w = createWindow('page.xml') local seen = '' "
                "w:setMessageHandler(function(text) seen = text w:endDialog(1) return 0 end) "
                "startWork('LG.lua', 'program.lz', '{ installPath = \"/opt/x\" }') "
                "w:showDialog() return seen");
        NameSet names = splitNames(seen);
        names.erase("keysOf");
        return names;
    }

    NameSet elements;
    std::map<std::string, int> elementIds;
    dui::LayoutSource previousSource;
};

TEST_F(ReferencePagesTest, BothPagesNameExactlyWhatTheEngineRegisters) {
    const Tables engine = engineTables();
    ASSERT_FALSE(engine.at("UI state globals").empty());
    ASSERT_TRUE(engine.at("worker state globals").count("notifyMessage"));
    ASSERT_TRUE(engine.at("methods of Button").count("setCheck"));
    const std::vector<std::string> scripting =
        differences("docs/scripting.md", scriptingTables(engine),
                    readPage(readSource("docs/scripting.md"), elements));
    EXPECT_TRUE(scripting.empty()) << "the scripting reference and the engine differ:\n"
                                   << joinLines(scripting);
    const std::vector<std::string> layouts = differences(
        "docs/layouts.md", layoutTables(engine), readPage(readSource("docs/layouts.md"), elements));
    EXPECT_TRUE(layouts.empty()) << "the layout reference and the engine differ:\n"
                                 << joinLines(layouts);
}

TEST_F(ReferencePagesTest, AGapOnEitherSideIsNamed) {
    const Tables engine = engineTables();
    // A registered function taken out of the page.
    std::string page = readSource("docs/scripting.md");
    const std::size_t entry = page.find("### `fileExists(");
    ASSERT_NE(entry, std::string::npos);
    page.erase(entry, page.find('\n', entry) + 1 - entry);
    // A method the engine does not have, added to the page.
    page += "\n## Window methods\n\n### `flyAway()`\n";
    EXPECT_EQ(differences("docs/scripting.md", scriptingTables(engine), readPage(page, elements)),
              (std::vector<std::string>{
                  "docs/scripting.md lacks fileExists (UI state globals)",
                  "docs/scripting.md names flyAway, which the engine lacks (window methods)",
                  "docs/scripting.md lacks fileExists (worker state globals)",
              }));
    // An attribute written with the wrong value kind counts twice: one name of each side.
    std::string layouts = readSource("docs/layouts.md");
    const std::size_t row = layouts.find("| `width` | integer |");
    ASSERT_NE(row, std::string::npos);
    layouts.replace(row, 21, "| `width` | text |");
    EXPECT_EQ(differences("docs/layouts.md", layoutTables(engine), readPage(layouts, elements)),
              (std::vector<std::string>{
                  "docs/layouts.md lacks width integer (attributes)",
                  "docs/layouts.md names width text, which the engine lacks (attributes)",
              }));
}

// Every variable a getenv or envOr of the engine or the tools names is in the README.
TEST(ReadmeTest, EveryEnvironmentVariableReadIsListed) {
    const std::string readme = readSource("README.md");
    std::set<std::string> missing;
    std::set<std::string> seen;
    for (const char* folder : {"app", "platform", "resources", "render", "dui", "runtime", "window",
                               "script", "tools"}) {
        const std::filesystem::path root = std::filesystem::path(TAMLO_SOURCE_DIR) / folder;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            const std::string extension = entry.path().extension().string();
            if (extension != ".cpp" && extension != ".h") {
                continue;
            }
            const std::string text =
                readSource(entry.path().lexically_relative(TAMLO_SOURCE_DIR).generic_string());
            for (const char* call : {"getenv(\"", "envOr(\""}) {
                for (std::size_t at = text.find(call); at != std::string::npos;
                     at = text.find(call, at + 1)) {
                    const std::size_t start = at + std::strlen(call);
                    const std::string name = text.substr(start, text.find('"', start) - start);
                    seen.insert(name);
                    if (readme.find("`" + name + "`") == std::string::npos) {
                        missing.insert(name);
                    }
                }
            }
        }
    }
    EXPECT_GT(seen.size(), 10u);
    EXPECT_TRUE(missing.empty()) << "README.md lacks: "
                                 << std::accumulate(missing.begin(), missing.end(), std::string(),
                                                    [](std::string all, const std::string& name) {
                                                        return all + name + " ";
                                                    });
}

}  // namespace
}  // namespace tamlo::test
