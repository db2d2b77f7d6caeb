#include <gtest/gtest.h>

#include "dui/controls/scroll_bar.h"
#include "dui/layout/layout_fixture.h"
#include "dui/layout/scroll_panel.h"

namespace tamlo::test {
namespace {

using dui::ScrollBar;
using dui::ScrollPanel;

// A slider without a skin takes all the width it is offered, which shows how wide the
// content was measured.
const char kTallContent[] =
    "<ScrollPanel id=\"1\"><Slider id=\"2\" height=\"400\"/><Button id=\"3\"/></ScrollPanel>";

TEST_F(LayoutTest, ScrollPanelShowsOnlyAVerticalBarAndNarrowsTheContentForIt) {
    host(kTallContent, 200, 300);
    auto* panel = dynamic_cast<ScrollPanel*>(byId(1));
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->verticalShown());
    EXPECT_FALSE(panel->horizontalShown());
    ASSERT_NE(panel->verticalBar(), nullptr);
    EXPECT_EQ(panel->horizontalBar(), nullptr);
    EXPECT_EQ(panel->lastChild(), panel->verticalBar());  // painted over the content
    EXPECT_EQ(panel->verticalBar()->rect(), (Rect{183, 0, 200, 300}));
    EXPECT_EQ(byId(2)->desiredSize(), (Size{183, 400}));
    EXPECT_EQ(rectOf(2), (Rect{0, 0, 183, 400}));
    EXPECT_EQ(panel->contentRect(), (Rect{0, 0, 183, 400}));
    EXPECT_EQ(rectOf(3), (Rect{}));  // only the first child is content
    EXPECT_EQ(panel->verticalBar()->total(), 400);
    EXPECT_EQ(panel->verticalBar()->page(), 300);
    EXPECT_TRUE(panel->verticalBar()->isEnabled());
}

TEST_F(LayoutTest, ScrollPositionMovesTheContentAndSurvivesAResizeClamped) {
    host(kTallContent, 200, 300);
    auto* panel = dynamic_cast<ScrollPanel*>(byId(1));
    panel->verticalBar()->EnsurePosition(60);
    EXPECT_EQ(panel->verticalBar()->position(), 60);
    EXPECT_EQ(rectOf(2), (Rect{0, -60, 183, 340}));

    layOut(200, 350);  // new bars, the old position carried over and clamped to 400 - 350
    ASSERT_NE(panel->verticalBar(), nullptr);
    EXPECT_EQ(panel->verticalBar()->position(), 50);
    EXPECT_EQ(rectOf(2), (Rect{0, -50, 183, 350}));
    EXPECT_EQ(panel->contentRect(), (Rect{0, 0, 183, 400}));

    layOut(200, 500);  // everything fits: no bar at all
    EXPECT_EQ(panel->verticalBar(), nullptr);
    EXPECT_EQ(panel->childCount(), 2);
    EXPECT_EQ(rectOf(2), (Rect{0, 50, 200, 450}));
}

TEST_F(LayoutTest, BarThicknessComesFromTheBarSkin) {
    metrics.verticalBarSkinWidth = 12;
    host(kTallContent, 200, 300);
    auto* panel = dynamic_cast<ScrollPanel*>(byId(1));
    EXPECT_EQ(panel->verticalBar()->rect(), (Rect{188, 0, 200, 300}));
    EXPECT_EQ(rectOf(2), (Rect{0, 0, 188, 400}));
}

TEST_F(LayoutTest, WideAndTallContentGetsBothBars) {
    dui::Control* root = build(
        "<ScrollPanel id=\"1\"><Button id=\"2\" width=\"500\" height=\"400\"/></ScrollPanel>");
    root->setInt(dui::key::scrollhorizontal, dui::enumValue(dui::EnumWord::Auto));
    root->attach(&window);
    root->measure(200, 300);
    root->arrange(Rect{0, 0, 200, 300});
    auto* panel = dynamic_cast<ScrollPanel*>(root);
    ASSERT_NE(panel->verticalBar(), nullptr);
    ASSERT_NE(panel->horizontalBar(), nullptr);
    EXPECT_EQ(panel->verticalBar()->rect(), (Rect{183, 0, 200, 283}));
    EXPECT_EQ(panel->horizontalBar()->rect(), (Rect{0, 283, 183, 300}));
    EXPECT_EQ(panel->horizontalBar()->total(), 500);
    EXPECT_EQ(panel->horizontalBar()->page(), 183);
    EXPECT_EQ(panel->verticalBar()->page(), 283);
    panel->horizontalBar()->EnsurePosition(1000);
    EXPECT_EQ(panel->horizontalBar()->position(), 317);
    EXPECT_EQ(rectOf(2).left, -317);
    root->detach();
}

TEST_F(LayoutTest, ContentIsMeasuredEvenWhenABarIsForcedOn) {
    dui::Control* root = build("<ScrollPanel><Slider id=\"2\" height=\"100\"/></ScrollPanel>");
    root->setInt(dui::key::scrollvertical, dui::enumValue(dui::EnumWord::Always));
    root->attach(&window);
    root->measure(200, 300);
    root->arrange(Rect{0, 0, 200, 300});
    EXPECT_EQ(byId(2)->desiredSize(), (Size{183, 100}));
    auto* panel = dynamic_cast<ScrollPanel*>(root);
    ASSERT_NE(panel->verticalBar(), nullptr);
    EXPECT_FALSE(panel->verticalBar()->isEnabled());  // everything is visible
    root->detach();
}

TEST_F(LayoutTest, EnsurePositionClampsToTheScrollableRange) {
    ScrollBar bar;
    bar.attach(&window);
    bar.setTotal(1000);
    bar.setPage(250);
    bar.EnsurePosition(-5);
    EXPECT_EQ(bar.position(), 0);
    bar.EnsurePosition(10000);
    EXPECT_EQ(bar.position(), 750);
    bar.setPage(1000);
    bar.EnsurePosition(300);
    EXPECT_EQ(bar.position(), 0);
    EXPECT_FALSE(bar.isEnabled());
    bar.detach();
}

TEST_F(LayoutTest, EnsurePositionOnADetachedBarOnlyComplains) {
    ScrollBar bar;
    bar.setTotal(1000);
    bar.setPage(250);
    bar.EnsurePosition(100);
    EXPECT_EQ(bar.position(), 0);
    ASSERT_FALSE(debugLines.empty());
    EXPECT_NE(debugLines.back().find("ScrollBar::EnsurePosition UnExpected Error."),
              std::string::npos);
}

}  // namespace
}  // namespace tamlo::test
