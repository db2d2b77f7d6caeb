// Script errors name their file in the debug output (UI.lua:3:), while the error box keeps
// Lua's own text for a chunk loaded from its text ([string "..."]:3:).
#include <mutex>

#include "platform/debug_sink.h"
#include "script/bindings_fixture.h"
#include "script/chunk_names.h"
#include "script/script_host.h"

namespace tamlo::test {
namespace {

class ChunkNamesTest : public BindingsTest {
  protected:
    void SetUp() override {
        BindingsTest::SetUp();
        setDebugHook([this](const std::string& line) {
            std::lock_guard<std::mutex> lock(mutex);
            lines.push_back(line);
        });
    }
    void TearDown() override {
        setDebugHook(nullptr);
        BindingsTest::TearDown();
    }
    bool sawLineStarting(const std::string& start) {
        std::lock_guard<std::mutex> lock(mutex);
        for (const std::string& line : lines) {
            if (line.rfind(start, 0) == 0) {
                return true;
            }
        }
        return false;
    }

    std::mutex mutex;  // the worker writes its lines from its own thread
    std::vector<std::string> lines;
};

TEST_F(ChunkNamesTest, TheDialogsErrorNamesUiLuaAndTheBoxKeepsLuasText) {
    files.files[u"UI.lua"] = "-- the dialog\nlocal a = 1\nlocal b = nil + a\n";
    script::ScriptHost::instance().runScript(u"UI.lua");
    EXPECT_TRUE(sawLineStarting("UI.lua:3: attempt to perform arithmetic on a nil value"));
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0],
              "错误|[string \"-- the dialog...\"]:3: attempt to perform "
              "arithmetic on a nil value");
}

TEST_F(ChunkNamesTest, ASyntaxErrorOfTheWorkerNamesLgLua) {
    setPayload({{u"readme.txt", "text"}});
    files.files[u"LG.lua"] = "local files = {\n  'a',\n  'b'\nnotifyMessage('x')\n";
    run("startWork('LG.lua', 'program.lz', '')");
    ASSERT_TRUE(waitForWorkers());
    EXPECT_TRUE(
        sawLineStarting("LG.lua:4: '}' expected (to close '{' at line 1) near "
                        "'notifyMessage'"));
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].rfind("错误|[string \"local files = {...\"]:4:", 0), 0u)
        << messageBoxes[0];
}

TEST(ChunkNameTest, OnlyTheChunkOfThatTextIsRenamed) {
    const std::string text = "print('x')\nerror('y')\n";
    EXPECT_EQ(script::nameChunk("[string \"print('x')...\"]:2: y", "UI.lua", text), "UI.lua:2: y");
    // Another chunk (a handler's load, the prelude) keeps its name; an unclosed one is left.
    EXPECT_EQ(script::nameChunk("[string \"other\"]:1: z", "UI.lua", text),
              "[string \"other\"]:1: z");
    EXPECT_EQ(script::nameChunk("prelude:3: [string \"print", "UI.lua", text),
              "prelude:3: [string \"print");
}

}  // namespace
}  // namespace tamlo::test
