// startWork, the worker state, notifyMessage and extractFile, driven from real scripts on
// both sides: the UI state runs a dialog, the worker a script from the embedded files.
#include <sys/stat.h>

#include <filesystem>

#include <fstream>
#include <sstream>
#include <vector>

#include "authoring/solid_package_writer.h"
#include "platform/headless/backend.h"
#include "platform/text_encoding.h"
#include "platform/windowing/message_loop.h"
#include "resources/change_journal.h"
#include "resources/journal_record.h"
#include "resources/package_reader.h"
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
    // Under a journal, which records each written file's digest.
    const std::string journalPath = scratch + "/journal/install.log";
    const std::string worker =
        "local d = config.dir; local r = {}\n"
        "assert(openJournal(config.journal))\n"
        "r[1] = extractFile('docs\\\\readme.txt', d .. '/readme.txt')\n"
        "r[2] = extractFile('docs/readme.txt', d .. '/locked.txt')\n"
        "r[3] = extractFile('no/such', d .. '/kept.txt')\n"
        "r[4] = extractFile('bin/tool', d .. '/missing/folder/tool')\n"
        "r[5] = extractFile('bin/tool', d .. '/tool')\n"
        "assert(commitJournal())\n"
        "for i = 1, 5 do notifyMessage(tostring(r[i])) end\n"
        "notifyMessage('end')\n";
    EXPECT_EQ(runDialog(worker, "{ dir = '" + dir + "', journal = '" + journalPath + "' }"),
              "7:true,true,false,false,true,end");
    const std::string records = readFile(journalPath);
    for (const char* name : {"/readme.txt", "/locked.txt", "/tool"}) {
        EXPECT_NE(records.find(journal::fileDigest(dir + name) + " " + dir + name),
                  std::string::npos)
            << name << " in\n"
            << records;
    }
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
    platform::setMessageBoxResponder([&](const platform::MessageBoxRequest& request) {
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
    platform::setMessageBoxResponder([&](const platform::MessageBoxRequest&) {
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
    platform::setMessageBoxResponder([&](const platform::MessageBoxRequest& request) {
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

namespace tamlo::test {
namespace {

// The same dialog over a solid payload made from files on disk (blocks of 64 KiB, so the
// entries below span several blocks and share some).
class SolidPayloadTest : public BackgroundWorkTest {
  protected:
    void SetUp() override {
        BindingsTest::SetUp();
        const std::string source = scratch + "/source";
        for (const char* folder : {"/bin", "/docs"}) {
            std::filesystem::create_directories(source + folder);
        }
        for (int i = 0; i < 4; ++i) {
            writeFile(source + "/docs/part" + std::to_string(i) + ".txt", partText(i));
        }
        writeFile(source + "/bin/tool", std::string("#!/bin/sh\necho tool\n"));
        ASSERT_EQ(chmod((source + "/bin/tool").c_str(), 0755), 0);
        writeFile(source + "/empty.txt", "");
        SolidWriteOptions options;
        options.blockSize = 64 * 1024;
        options.familySize = options.blockSize;  // the numbered parts span blocks
        std::vector<SolidFile> files;
        for (const char* name : {"bin/tool", "docs/part0.txt", "docs/part1.txt", "docs/part2.txt",
                                 "docs/part3.txt", "empty.txt"}) {
            files.push_back({utf8ToUtf16(name), source + "/" + name});
        }
        std::string error;
        ASSERT_TRUE(writeSolidPackage(files, scratch + "/solid.lz", options, &error)) << error;
        this->files.files[u"program.lz"] = readFile(scratch + "/solid.lz");
    }

    static std::string partText(int i) {
        std::string text;
        for (int line = 0; text.size() < 100000; ++line) {
            text += "part " + std::to_string(i) + " line " + std::to_string(line * (i + 7)) + "\n";
        }
        return text;
    }
};

TEST_F(SolidPayloadTest, ListEntriesGivesNamesAndSizesInPackageOrder) {
    const std::string result = runDialog(
        "for _, e in ipairs(listEntries()) do notifyMessage(e.name .. '=' .. e.size) end\n"
        "notifyMessage('end')");
    // Text by extension then name, the empty file with them; the script first.
    EXPECT_EQ(result, "7:bin/tool=20,docs/part0.txt=" + std::to_string(partText(0).size()) +
                          ",docs/part1.txt=" + std::to_string(partText(1).size()) +
                          ",docs/part2.txt=" + std::to_string(partText(2).size()) +
                          ",docs/part3.txt=" + std::to_string(partText(3).size()) +
                          ",empty.txt=0,end");
}

TEST_F(SolidPayloadTest, EntriesExtractInAnyOrderAndAgainWithTheirModes) {
    const std::string dir = scratch + "/out";
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    writeFile(dir + "/kept.txt", "old");
    writeFile(dir + "/p1", "read-only before");
    ASSERT_EQ(chmod((dir + "/p1").c_str(), 0444), 0);
    // Under a journal: a file made at its path is recorded as created before it is there.
    const std::string journalPath = scratch + "/journal/install.log";
    const std::string worker =
        "local d = config.dir; local r = {}\n"
        "assert(openJournal(config.journal))\n"
        "r[#r + 1] = extractFile('docs\\\\part3.txt', d .. '/p3')\n"  // last first
        "r[#r + 1] = extractFile('docs/part0.txt', d .. '/p0')\n"
        "r[#r + 1] = extractFile('docs/part3.txt', d .. '/p3b')\n"  // again
        "r[#r + 1] = extractFile('docs/part1.txt', d .. '/p1')\n"
        "r[#r + 1] = extractFile('bin/tool', d .. '/tool')\n"
        "r[#r + 1] = extractFile('empty.txt', d .. '/empty')\n"
        "r[#r + 1] = extractFile('no/such', d .. '/kept.txt')\n"
        "assert(commitJournal())\n"
        "for i = 1, #r do notifyMessage(tostring(r[i])) end\n"
        "notifyMessage('end')\n";
    EXPECT_EQ(runDialog(worker, "{ dir = '" + dir + "', journal = '" + journalPath + "' }"),
              "7:true,true,true,true,true,true,false,end");
    const std::string records = readFile(journalPath);
    const size_t created = records.find(journal::formatRecord({"created-file", {dir + "/p0"}}));
    EXPECT_NE(created, std::string::npos) << records;
    EXPECT_LT(created, records.find(journal::fileDigest(dir + "/p0") + " " + dir + "/p0"));
    EXPECT_NE(records.find("replaced-file"), std::string::npos) << records;  // the read-only p1
    for (const char* name : {"/p3", "/p3b", "/p1", "/tool"}) {
        EXPECT_NE(records.find(journal::fileDigest(dir + name) + " " + dir + name),
                  std::string::npos)
            << name << " in\n"
            << records;
    }
    EXPECT_EQ(readFile(dir + "/p3"), partText(3));
    EXPECT_EQ(readFile(dir + "/p3b"), partText(3));
    EXPECT_EQ(readFile(dir + "/p0"), partText(0));
    EXPECT_EQ(readFile(dir + "/p1"), partText(1));
    EXPECT_EQ(readFile(dir + "/empty"), "");
    EXPECT_EQ(readFile(dir + "/kept.txt"), "old");
    // The script was recorded executable: it gets 0777 less the umask, a text file does not.
    const mode_t mask = umask(022);
    umask(mask);
    struct stat tool {
    }, text{};
    ASSERT_EQ(stat((dir + "/tool").c_str(), &tool), 0);
    ASSERT_EQ(stat((dir + "/p0").c_str(), &text), 0);
    EXPECT_EQ(tool.st_mode & 07777, 0777 & ~mask);
    EXPECT_EQ(text.st_mode & 0111, 0u);
}

TEST_F(SolidPayloadTest, ADamagedBlockFailsItsEntriesAndLeavesTheirPathsAlone) {
    std::string& bytes = files.files[u"program.lz"];
    {
        // The last block: it holds the end of the last part, not the script.
        PackageReader reader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        ASSERT_TRUE(reader.solid());
        ASSERT_GT(reader.blocks().size(), 2u);
        const PackageReader::SolidBlock& last = reader.blocks().back();
        bytes[last.offset + last.storedSize / 2] ^= 0x10;
    }
    const std::string dir = scratch + "/out";
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    for (int i = 0; i < 4; ++i) {
        writeFile(dir + "/p" + std::to_string(i), "old");
    }
    const std::string worker =
        "local d = config.dir\n"
        "for i = 0, 3 do notifyMessage(tostring(extractFile('docs/part' .. i .. '.txt',"
        " d .. '/p' .. i))) end\n"
        "notifyMessage(tostring(extractFile('bin/tool', d .. '/tool')))\n"
        "notifyMessage('end')\n";
    const std::string result = runDialog(worker, "{ dir = '" + dir + "' }");
    EXPECT_NE(result.find("false"), std::string::npos) << result;
    EXPECT_NE(result.find("true,end"), std::string::npos) << result;  // the script's block
    for (int i = 0; i < 4; ++i) {
        const std::string text = readFile(dir + "/p" + std::to_string(i));
        EXPECT_TRUE(text == "old" || text == partText(i)) << i;
    }
    const std::string listing = scratch + "/listing";
    ASSERT_EQ(std::system(("ls -A '" + dir + "' > '" + listing + "'").c_str()), 0);
    EXPECT_EQ(readFile(listing), "p0\np1\np2\np3\ntool\n");
}

}  // namespace
}  // namespace tamlo::test
