#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dui/core/control.h"
#include "dui/style/style_set.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_pump.h"
#include "render/back_buffer.h"
#include "runtime/ui_context.h"
#include "support/png_bytes.h"

namespace tamlo::test {

// A UI context (for the attribute registry), an installed style set reading from an
// in-memory map of entries, and a small back buffer.
class StyleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::createUiQueue(
            std::make_unique<platform::ConditionPump>(platform::ConditionPump::Time::Virtual));
        ASSERT_NE(createUiContext(), nullptr);
        styles = std::make_unique<dui::StyleSet>();
        styles->install();
        reload();
    }
    void TearDown() override {
        styles.reset();
        destroyUiContext();
        platform::discardUiQueue();
    }
    void reload() {
        styles->loadFromReader([this](const std::u16string& name, std::vector<uint8_t>& bytes) {
            ++reads[name];
            auto found = files.find(name);
            if (found == files.end()) {
                return false;
            }
            bytes.assign(found->second.begin(), found->second.end());
            return true;
        });
    }
    // A surface of the given size filled with an opaque colour (0x00BBGGRR).
    render::Canvas& surface(int32_t width, int32_t height, uint32_t color) {
        buffer.resize(width, height);
        buffer.canvas()->fillRect({0, 0, width, height}, color);
        return *buffer.canvas();
    }
    // The pixel as 0xAARRGGBB.
    uint32_t at(int32_t x, int32_t y) { return buffer.pixels().pixel(x, y); }
    // The box of pixels that differ from `background` (0xAARRGGBB).
    Rect inkBox(uint32_t background) {
        Rect box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
        const render::Bitmap& pixels = buffer.pixels();
        for (int32_t y = 0; y < pixels.height(); ++y) {
            for (int32_t x = 0; x < pixels.width(); ++x) {
                if (pixels.pixel(x, y) != background) {
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1)};
                }
            }
        }
        return box;
    }
    std::vector<uint32_t> snapshot() {
        const render::Bitmap& pixels = buffer.pixels();
        return {pixels.pixels(), pixels.pixels() + pixels.width() * pixels.height()};
    }

    std::map<std::u16string, std::string> files;
    std::map<std::u16string, int> reads;
    std::unique_ptr<dui::StyleSet> styles;
    render::BackBuffer buffer;
};

}  // namespace tamlo::test
