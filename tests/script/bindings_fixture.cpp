#include "script/bindings_fixture.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "authoring/package_writer.h"
#include "dui/loader/layout_loader.h"
#include "platform/windowing/message_loop.h"
#include "script/engine_bindings.h"
#include "script/lua_work.h"
#include "support/test_environment.h"

namespace tamlo::test {

void BindingsTest::SetUp() {
    script::installEngineBindings();
    dui::setLayoutSource([](std::u16string_view name, std::string& bytes) {
        if (name == u"proxywindow.xml") {
            bytes = "<Window/>";
            return true;
        }
        if (name == u"page.xml") {
            bytes =
                "<Window initSize=\"300,200\"><StackPanel id=\"10\">"
                "<Button id=\"11\" width=\"50\" height=\"20\"/>"
                "<Button id=\"12\" width=\"50\" height=\"20\"/>"
                "<ProgressBar id=\"13\" height=\"8\"/>"
                "<CheckBox id=\"14\" width=\"50\" height=\"20\"/>"
                "</StackPanel>"
                "<TextBox id=\"15\" width=\"100\" height=\"24\"/>"
                "<Edit id=\"16\" width=\"100\" height=\"40\"/></Window>";
            return true;
        }
        if (name == u"lists.xml") {
            bytes =
                "<Window initSize=\"300,200\"><ListBox id=\"20\" itemHeight=\"20\" "
                "width=\"100\" height=\"60\" horizontalAlign=\"left\" "
                "verticalAlign=\"top\"/><ComboBox id=\"21\" width=\"100\" height=\"24\" "
                "horizontalAlign=\"left\" verticalAlign=\"top\" margin=\"150,0,0,0\"/>"
                "</Window>";
            return true;
        }
        return false;
    });
    ScriptHostTest::SetUp();
    scratch = makeTempDir("bindings");
    ASSERT_FALSE(scratch.empty());
}

void BindingsTest::TearDown() {
    EXPECT_TRUE(waitForWorkers());
    ScriptHostTest::TearDown();
    dui::setLayoutSource(nullptr);
    std::error_code failure;
    std::filesystem::remove_all(std::filesystem::u8path(scratch), failure);
    EXPECT_FALSE(failure) << failure.message();
}

bool BindingsTest::waitForWorkers() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (script::LuaWork::runningCount() > 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        platform::pumpPendingMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    platform::pumpPendingMessages();
    return true;
}

void BindingsTest::setPayload(const std::vector<std::pair<std::u16string, std::string>>& entries) {
    const std::string path = scratch + "/program.lz";
    PackageWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(path, &error)) << error;
    bool store = false;
    for (const auto& entry : entries) {
        store = !store;  // stored and compressed entries alike
        ASSERT_TRUE(writer.addBuffer(entry.first,
                                     reinterpret_cast<const uint8_t*>(entry.second.data()),
                                     entry.second.size(), store, &error))
            << error;
    }
    ASSERT_TRUE(writer.finish(&error)) << error;
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    files.files[u"program.lz"] = bytes.str();
}

}  // namespace tamlo::test
