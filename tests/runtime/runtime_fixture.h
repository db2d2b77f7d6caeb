#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_pump.h"
#include "runtime/run_queue.h"
#include "runtime/ui_context.h"

namespace tamlo::test {

// A fresh UI queue on this thread; whatever a test leaves running is ended afterwards.
class RuntimeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::createUiQueue(
            std::make_unique<platform::ConditionPump>(platform::ConditionPump::Time::Virtual));
    }
    void TearDown() override {
        SRService::stop();
        destroyUiContext();
        platform::discardUiQueue();
    }
};

}  // namespace tamlo::test
