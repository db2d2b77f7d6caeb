// startWork, the worker state, notifyMessage and extractFile, driven from real scripts on
// both sides: the UI state runs a dialog, the worker a script from the embedded files.
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "platform/headless/backend.h"
#include "platform/text_encoding.h"
#include "platform/windowing/message_loop.h"
#include "script/bindings_fixture.h"
#include "script/budgeted_state.h"
#include "script/lua_work.h"
#include "script/script_host.h"

namespace tamlo::test {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The UI side: a window whose handler files every text in `seen` and answers by the
// table `answers` (nothing for a text it does not know), ending the dialog on "end".
const char kDialog[] = R"(
    seen = {}
    answers = answers or {}
    w = createWindow("page.xml")
    w:setMessageHandler(function(text)
        seen[#seen + 1] = text
        if text == "end" then w:endDialog(7) end
        if text == "zero" then w:endDialog(0) end
        return answers[text]
    end)
)";

class BackgroundWorkTest : public BindingsTest {
  protected:
    void SetUp() override {
        BindingsTest::SetUp();
        setPayload({{u"docs/readme.txt", "the readme"}, {u"bin/tool", std::string(70000, 'x')}});
    }

    // Runs the dialog until the worker script `worker` says "end"; the seen texts.
    std::string runDialog(const std::string& worker, const std::string& config = "") {
        files.files[u"LG.lua"] = worker;
        return run(std::string(kDialog) + "startWork('LG.lua', 'program.lz', [[" + config +
                   "]]); local result = w:showDialog(); return result .. ':' .. "
                   "table.concat(seen, ',')");
    }
};

TEST_F(BackgroundWorkTest, TheDialogAnswersEachNotificationAndEndsWhereTheScriptSays) {
    run("answers = { ask = 42 }");
    // A handler answering nothing gives 0; endDialog(0) does not end the loop.
    const std::string result = runDialog(
        "local a = notifyMessage('ask'); local b = notifyMessage('silent');"
        "notifyMessage('zero'); notifyMessage('got ' .. a .. ' ' .. b); notifyMessage('end')");
    EXPECT_EQ(result, "7:ask,silent,zero,got 42 0,end");
}

TEST_F(BackgroundWorkTest, TheConfigChunkIsTheWorkersOnlyInput) {
    EXPECT_EQ(runDialog("notifyMessage(tostring(config.installPath)); notifyMessage('end')",
                        "{ installPath = '/opt/x' }"),
              "7:/opt/x,end");
    // An empty config skips the chunk: `config` stays nil. A broken one is ignored.
    EXPECT_EQ(runDialog("notifyMessage(tostring(config)); notifyMessage('end')"), "7:nil,end");
    EXPECT_EQ(runDialog("notifyMessage(tostring(config)); notifyMessage('end')", "{ broken"),
              "7:nil,end");
    // The worker has the system functions and its own two, nothing of the UI state.
    EXPECT_EQ(runDialog("notifyMessage(type(createWindow) .. type(startWork) .. type(fileExists)"
                        " .. type(extractFile)); notifyMessage('end')"),
              "7:nilnilfunctionfunction,end");
}

TEST_F(BackgroundWorkTest, TwoWindowsBothHearANotificationAndTheSecondAnswerWins) {
    files.files[u"LG.lua"] =
        "notifyMessage('answer ' .. notifyMessage('ask')); notifyMessage('end')";
    const std::string result = run(std::string(kDialog) + R"(
        other = createWindow("page.xml")
        other:setMessageHandler(function(text) return 2 end)
        answers = { ask = 1 }
        startWork("LG.lua", "program.lz", "")
        return w:showDialog() .. ":" .. table.concat(seen, ",")
    )");
    EXPECT_EQ(result, "7:ask,answer 2,end");
}

TEST_F(BackgroundWorkTest, NestedDialogsEachRunTheirOwnLoop) {
    // The outer handler opens an inner dialog; a second worker ends it. The outer loop
    // goes on once the inner one returned.
    files.files[u"LG.lua"] = "notifyMessage(config.say); notifyMessage(config.last)";
    const std::string result = run(R"(
        seen = {}
        local outer = createWindow("page.xml")
        w = outer
        outer:setMessageHandler(function(text)
            seen[#seen + 1] = text
            if text == "end" then outer:endDialog(7) end
            if text == "open" then
                inner = createWindow("page.xml")
                inner:setMessageHandler(function(t)
                    if t == "inner" then inner:endDialog(3) end
                    return 0
                end)
                startWork("LG.lua", "program.lz", "{ say = 'inner', last = 'late' }")
                seen[#seen + 1] = "inner returned " .. inner:showDialog(outer)
            end
            return 0
        end)
        startWork("LG.lua", "program.lz", "{ say = 'open', last = 'end' }")
        return w:showDialog() .. ":" .. table.concat(seen, ",")
    )");
    EXPECT_EQ(result.substr(0, 2), "7:");
    EXPECT_NE(result.find("inner returned 3"), std::string::npos) << result;
    EXPECT_LT(result.find("inner returned 3"), result.rfind("end")) << result;
}

TEST_F(BackgroundWorkTest, ExtractFileWritesWholeEntriesAndLeavesOthersAlone) {
    const std::string dir = scratch + "/out";
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    writeFile(dir + "/kept.txt", "old");
    writeFile(dir + "/locked.txt", "read-only before");
    ASSERT_EQ(chmod((dir + "/locked.txt").c_str(), 0444), 0);
    const std::string worker =
        "local d = config.dir; local r = {}\n"
        "r[1] = extractFile('docs\\\\readme.txt', d .. '/readme.txt')\n"
        "r[2] = extractFile('docs/readme.txt', d .. '/locked.txt')\n"
        "r[3] = extractFile('no/such', d .. '/kept.txt')\n"
        "r[4] = extractFile('bin/tool', d .. '/missing/folder/tool')\n"
        "r[5] = extractFile('bin/tool', d .. '/tool')\n"
        "for i = 1, 5 do notifyMessage(tostring(r[i])) end\n"
        "notifyMessage('end')\n";
    EXPECT_EQ(runDialog(worker, "{ dir = '" + dir + "' }"), "7:true,true,false,false,true,end");
    EXPECT_EQ(readFile(dir + "/readme.txt"), "the readme");  // found with backslashes
    EXPECT_EQ(readFile(dir + "/locked.txt"), "the readme");  // a read-only file replaced
    EXPECT_EQ(readFile(dir + "/kept.txt"), "old");           // a missing entry writes nothing
    EXPECT_EQ(readFile(dir + "/tool"), std::string(70000, 'x'));
    // Nothing half-written is left beside the targets.
    const std::string listing = scratch + "/listing";
    ASSERT_EQ(std::system(("ls -A '" + dir + "' > '" + listing + "'").c_str()), 0);
    EXPECT_EQ(readFile(listing), "kept.txt\nlocked.txt\nreadme.txt\ntool\n");
}

TEST_F(BackgroundWorkTest, AWorkerThatAllocatesWithoutBoundEndsWithAMemoryError) {
    const std::size_t previous = script::setScriptMemoryBudget(8u << 20);
    files.files[u"LG.lua"] = R"(
        local hoard = {}
        while true do hoard[#hoard + 1] = string.rep("w", 4096) .. #hoard end
    )";
    run("startWork('LG.lua', 'program.lz', '')");
    const bool ended = waitForWorkers();
    script::setScriptMemoryBudget(previous);
    ASSERT_TRUE(ended);
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0], "错误|not enough memory");
}

TEST_F(BackgroundWorkTest, AnUnknownScriptOrPackageEndsTheWorkerWithTheErrorBox) {
    run("startWork('missing.lua', 'program.lz', '')");
    ASSERT_TRUE(waitForWorkers());
    files.files[u"LG.lua"] = "error('never runs')";
    run("startWork('LG.lua', 'missing.lz', '')");
    ASSERT_TRUE(waitForWorkers());
    files.files[u"LG.lua"] = "local x = nil; x.field = 1";
    run("startWork('LG.lua', 'program.lz', '')");
    ASSERT_TRUE(waitForWorkers());
    ASSERT_EQ(messageBoxes.size(), 3u);
    EXPECT_EQ(messageBoxes[0], "错误|cannot read the script missing.lua");
    EXPECT_EQ(messageBoxes[1], "错误|cannot read the package missing.lz");
    EXPECT_EQ(messageBoxes[2].rfind("错误|[string \"local x = nil", 0), 0u) << messageBoxes[2];
}

TEST_F(BackgroundWorkTest, AWorkersMessageBoxIsShownByTheUiThreadAndAnswersTheWorker) {
    std::vector<bool> shownOnUiThread;
    platform::headlessBackend()->setMessageBoxResponder(
        [&](const platform::MessageBoxRequest& request) {
            shownOnUiThread.push_back(platform::isUiThread());
            messageBoxes.push_back(utf16ToUtf8(request.caption) + "|" + utf16ToUtf8(request.text));
            return 6;
        });
    const std::string result = runDialog(
        "local a = showMessageBox('继续吗？', '提示', 4); notifyMessage('answer ' .. a);"
        "notifyMessage('end')");
    EXPECT_EQ(result, "7:answer 6,end");
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0], "提示|继续吗？");
    EXPECT_EQ(shownOnUiThread, std::vector<bool>{true});
}

TEST_F(BackgroundWorkTest, TheWorkEndHandlerHearsANormalEndAndAnErrorInsteadOfTheBox) {
    run("ends = {}; setWorkEndHandler(function(ok, err)"
        " ends[#ends + 1] = tostring(ok) .. ':' .. tostring(err) end)");
    EXPECT_EQ(runDialog("notifyMessage('end')"), "7:end");
    ASSERT_TRUE(waitForWorkers());
    files.files[u"LG.lua"] = "error('disk full', 0)";
    run("startWork('LG.lua', 'program.lz', '')");
    ASSERT_TRUE(waitForWorkers());
    EXPECT_EQ(run("return table.concat(ends, ',')"), "true:nil,false:disk full");
    EXPECT_TRUE(messageBoxes.empty());

    // Without a handler the error box comes back, as before.
    run("setWorkEndHandler(nil)");
    run("startWork('LG.lua', 'program.lz', '')");
    ASSERT_TRUE(waitForWorkers());
    EXPECT_EQ(messageBoxes, std::vector<std::string>{"错误|disk full"});
}

TEST_F(BackgroundWorkTest, AWorkerEndingWhileAMessageBoxIsOpenIsHeardAtOnce) {
    // The box stays open until the worker has ended; its loop runs the end handler.
    platform::headlessBackend()->setMessageBoxResponder([&](const platform::MessageBoxRequest&) {
        waitForWorkers();
        return 2;
    });
    files.files[u"LG.lua"] = "local x = 1";
    EXPECT_EQ(run("local ends = {}; setWorkEndHandler(function(ok) ends[#ends + 1] = ok end);"
                  "startWork('LG.lua', 'program.lz', '');"
                  "local answer = showMessageBox('等待', '提示', 1);"
                  "return answer .. ' ' .. #ends .. ' ' .. tostring(ends[1])"),
              "2 1 true");
}

TEST_F(BackgroundWorkTest, TearDownStillShowsALateWorkersBoxesAndReturnsTheButton) {
    // The UI script has ended and its state is closed: the worker's box and its error box
    // are shown while the run queue's stop waits for it.
    platform::headlessBackend()->setMessageBoxResponder(
        [&](const platform::MessageBoxRequest& request) {
            messageBoxes.push_back(utf16ToUtf8(request.caption) + "|" + utf16ToUtf8(request.text));
            return 6;
        });
    const std::string answerFile = scratch + "/answer.txt";
    files.files[u"LG.lua"] =
        "local t = os.clock() + 0.05; while os.clock() < t do end;"
        "local a = showMessageBox('还在安装', '提示', 4);"
        "local f = io.open('" +
        answerFile +
        "', 'w'); f:write(a); f:close();"
        "error('late failure', 0)";
    run("setWorkEndHandler(function() error('never: the state is closed') end);"
        "startWork('LG.lua', 'program.lz', '')");
    script::ScriptHost::instance().close();
    SRService::stop();
    EXPECT_EQ(script::LuaWork::runningCount(), 0);
    EXPECT_EQ(readFile(answerFile), "6");
    EXPECT_EQ(messageBoxes, (std::vector<std::string>{"提示|还在安装", "错误|late failure"}));
    ASSERT_TRUE(SRService::start());
}

TEST_F(BackgroundWorkTest, AStoppedRunQueueAnswersZeroAtOnce) {
    // Tear-down: the queue is gone, and a worker asking must not wait for ever.
    SRService::stop();
    EXPECT_EQ(script::LuaWork::notify("anyone?"), 0);
    ASSERT_TRUE(SRService::start());
}

}  // namespace
}  // namespace tamlo::test
