#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dui/core/control.h"
#include "dui/loader/layout_loader.h"
#include "platform/debug_sink.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_pump.h"
#include "runtime/ui_context.h"

namespace tamlo::test {

// A UI context (and so the loader's registries) on a fresh UI queue; built trees are
// deleted afterwards, and debug lines are collected.
class LoaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::createUiQueue(
            std::make_unique<platform::ConditionPump>(platform::ConditionPump::Time::Virtual));
        ASSERT_NE(createUiContext(), nullptr);
        setDebugHook([this](const std::string& line) { debugLines.push_back(line); });
    }
    void TearDown() override {
        setDebugHook(nullptr);
        dui::setLayoutSource(nullptr);
        built_.clear();
        destroyUiContext();
        platform::discardUiQueue();
    }

    // The tree of a document, owned by the fixture.
    dui::Control* build(const std::string& xml) {
        dui::Control* root = dui::buildLayout(xml, u"test.xml");
        if (root != nullptr) {
            built_.emplace_back(root);
        }
        return root;
    }

    // Hands a built tree to a new owner.
    void releaseBuilt(dui::Control* root) {
        for (auto& owned : built_) {
            if (owned.get() == root) {
                owned.release();
            }
        }
    }

    std::vector<std::string> debugLines;

  private:
    std::vector<std::unique_ptr<dui::Control>> built_;
};

}  // namespace tamlo::test
