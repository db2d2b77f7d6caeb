#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/windowing/keyboard_state.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_pump.h"

namespace tamlo::test {

// Every test gets a fresh UI queue on virtual time, owned by the test's thread.
class MessageQueueTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto pump =
            std::make_unique<platform::ConditionPump>(platform::ConditionPump::Time::Virtual);
        clock = pump.get();
        platform::createUiQueue(std::move(pump));
        platform::resetKeyboardState();
    }
    void TearDown() override { platform::discardUiQueue(); }

    platform::ConditionPump* clock = nullptr;
};

// A window whose procedure records what it receives.
struct RecordedMessage {
    uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

struct RecordingWindow {
    RecordingWindow();
    ~RecordingWindow();
    std::vector<uint32_t> messageNumbers() const;

    platform::WindowHandle handle = 0;
    std::vector<RecordedMessage> received;
};

}  // namespace tamlo::test
