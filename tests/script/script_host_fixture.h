#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dui/core/control_test_support.h"
#include "platform/windowing/message_pump.h"
#include "resources/file_system.h"

struct lua_State;

namespace tamlo::test {

// Embedded files held in memory, handed out as the resource file system does.
class MemoryFileSystem : public FileSystem {
  public:
    std::map<std::u16string, std::string> files;
    uint8_t* read(const std::u16string& name, int& size) override;
    void free(uint8_t* buffer) override;
};

// A UI thread on virtual time with the run queue, the UI context and a started script
// host. Scripts reach the fixture's controls through the globals `control(n)` (the
// wrapper of controls[n]), `newWindow(handle)` (a new window wrapper) and
// `raise(n, code, routing)`.
class ScriptHostTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Runs a chunk in the host's state; returns its first result as text, "nil" for
    // none, or "error: <message>".
    std::string run(const std::string& chunk);

    // Advances virtual time and lets the due timers run.
    void advance(uint64_t milliseconds);

    lua_State* L = nullptr;
    platform::ConditionPump* clock = nullptr;
    dui::testing::FakeWindow window;
    dui::Panel* root = nullptr;
    std::vector<std::string> messageBoxes;  // "caption|text"
    MemoryFileSystem files;
};

// The fixture's controls, by index: 0 is the root panel, 1 and 2 its children.
std::vector<dui::Control*>& fixtureControls();

}  // namespace tamlo::test
