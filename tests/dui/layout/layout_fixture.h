#pragma once

#include <string>

#include "dui/core/content_metrics.h"
#include "dui/core/control_test_support.h"
#include "dui/loader/loader_fixture.h"

namespace tamlo::test {

// Skin and text sizes a test decides.
class FixedMetrics : public dui::ContentMetrics {
  public:
    Size textExtent(std::u16string_view, std::u16string_view text) override {
        return Size{static_cast<int32_t>(text.size()) * 7, 16};
    }
    bool imageSize(std::u16string_view, Size&) override { return false; }
    bool styleImageSize(std::u16string_view style, dui::AttributeKey key, Size& out) override {
        if (style == u"vscrollbar.xml" && key == dui::key::barSkin && verticalBarSkinWidth > 0) {
            out = Size{verticalBarSkinWidth, 40};
            return true;
        }
        return false;
    }
    bool styleExists(std::u16string_view) override { return false; }

    int32_t verticalBarSkinWidth = 0;
};

// Builds a document, attaches it to a fake window and lays it out in a slot.
class LayoutTest : public LoaderTest {
  protected:
    void SetUp() override {
        LoaderTest::SetUp();
        previous_ = dui::setContentMetrics(&metrics);
        window.client = Rect{0, 0, 2000, 2000};
    }
    void TearDown() override {
        if (root_ != nullptr) {
            root_->detach();
        }
        dui::setContentMetrics(previous_);
        LoaderTest::TearDown();
    }

    dui::Control* host(const std::string& xml, int32_t width, int32_t height) {
        root_ = build(xml);
        if (root_ != nullptr) {
            root_->attach(&window);
            layOut(width, height);
        }
        return root_;
    }
    void layOut(int32_t width, int32_t height) {
        root_->measure(width, height);
        root_->arrange(Rect{0, 0, width, height});
    }
    dui::Control* byId(int32_t id) { return window.ids.at(id); }
    Rect rectOf(int32_t id) { return byId(id)->rect(); }

    dui::testing::FakeWindow window;
    FixedMetrics metrics;

  private:
    dui::Control* root_ = nullptr;
    dui::ContentMetrics* previous_ = nullptr;
};

}  // namespace tamlo::test
