#include <gtest/gtest.h>

#include "dui/controls/button.h"
#include "dui/layout/layout_fixture.h"

namespace tamlo::test {
namespace {

TEST_F(LayoutTest, RightAlignedButtonInsideItsMarginLandsAt489) {
    host(
        "<Grid><Button id=\"1\" width=\"136\" height=\"27\" horizontalAlign=\"right\" "
        "verticalAlign=\"top\" margin=\"0,0,20,0\"/></Grid>",
        645, 400);
    EXPECT_EQ(rectOf(1), (Rect{489, 0, 625, 27}));
    EXPECT_EQ(byId(1)->desiredSize(), (Size{156, 27}));
}

TEST_F(LayoutTest, CentringAnOddRemainderTruncates) {
    host("<Grid><Button id=\"1\" width=\"50\" height=\"10\" horizontalAlign=\"center\"/></Grid>",
         101, 40);
    EXPECT_EQ(rectOf(1).left, 25);
    EXPECT_EQ(rectOf(1).top, 15);  // an absent verticalAlign stretches, which centres
}

TEST_F(LayoutTest, MarginsThatLeaveNoSpaceGiveNoSizeAndNoRect) {
    host("<Grid><Button id=\"1\" margin=\"20,0,0,0\"/><Button id=\"2\" margin=\"0,0,0,0\"/></Grid>",
         20, 30);
    EXPECT_EQ(byId(1)->desiredSize(), (Size{0, 0}));
    EXPECT_EQ(rectOf(1), (Rect{}));
    EXPECT_EQ(rectOf(2), (Rect{0, 0, 20, 30}));
}

TEST_F(LayoutTest, AnExplicitSizeWinsAndOverflowsToTheRightAndDown) {
    host("<Grid><Button id=\"1\" width=\"300\" height=\"200\"/></Grid>", 100, 50);
    EXPECT_EQ(rectOf(1), (Rect{0, 0, 300, 200}));
}

TEST_F(LayoutTest, AlignmentWordsOutsideTheSetPlaceAtTheStartNotTheCentre) {
    host(
        "<Grid>"
        "<Button id=\"1\" width=\"40\" height=\"10\" horizontalAlign=\"Right\"/>"
        "<Button id=\"2\" width=\"40\" height=\"10\" verticalAlign=\"middle\"/>"
        "<Button id=\"3\" width=\"40\" height=\"10\" horizontalAlign=\"right\" "
        "verticalAlign=\"bottom\"/>"
        "</Grid>",
        200, 100);
    EXPECT_EQ(rectOf(1), (Rect{0, 45, 40, 55}));   // capitalised word: left
    EXPECT_EQ(rectOf(2), (Rect{80, 0, 120, 10}));  // unknown word: top
    EXPECT_EQ(rectOf(3), (Rect{160, 90, 200, 100}));
}

TEST_F(LayoutTest, CollapsedAndDetachedControlsMeasureToNothing) {
    dui::Control* root =
        host("<Grid><Button id=\"1\" width=\"40\" height=\"10\"/></Grid>", 200, 100);
    byId(1)->setFlags(dui::ControlFlag::Collapsed, true);
    EXPECT_EQ(byId(1)->measure(200, 100), (Size{0, 0}));
    dui::Button loose;
    loose.setInt(dui::key::width, 40);
    EXPECT_EQ(loose.measure(200, 100), (Size{0, 0}));
    loose.arrange(Rect{0, 0, 100, 100});
    EXPECT_EQ(loose.rect(), (Rect{}));
    ASSERT_NE(root, nullptr);
}

TEST_F(LayoutTest, HugeValuesSaturateInsteadOfOverflowing) {
    host(
        "<Grid><Button id=\"1\" width=\"2147483647\" margin=\"2147483647,0,2147483647,0\"/>"
        "<Canvas><Button id=\"2\" x=\"-2147483647\" width=\"2147483647\" height=\"5\"/></Canvas>"
        "</Grid>",
        200, 100);
    EXPECT_EQ(rectOf(1), (Rect{}));
    EXPECT_EQ(byId(2)->desiredSize(), (Size{2147483647, 5}));
}

TEST_F(LayoutTest, CanvasPlacesAtXAndYAndCountsNegativesBackFromTheEdges) {
    host(
        "<Canvas width=\"200\" height=\"100\">"
        "<Button id=\"1\" x=\"-30\" y=\"10\" width=\"20\" height=\"20\"/>"
        "<Button id=\"2\" y=\"-25\" width=\"20\" height=\"20\"/>"
        "</Canvas>",
        640, 480);
    EXPECT_EQ(rectOf(1), (Rect{170, 10, 190, 30}));
    EXPECT_EQ(rectOf(2), (Rect{0, 75, 20, 95}));
}

TEST_F(LayoutTest, StackPanelChildrenKeepTheirExtentsAndRunPastTheEdge) {
    dui::Control* root = host(
        "<StackPanel>"
        "<Button id=\"1\" height=\"50\"/><Button id=\"2\" height=\"50\"/>"
        "<Button id=\"3\" height=\"50\" margin=\"5,0,5,0\"/>"
        "</StackPanel>",
        80, 120);
    EXPECT_EQ(rectOf(1), (Rect{0, 0, 80, 50}));
    EXPECT_EQ(rectOf(2), (Rect{0, 50, 80, 100}));
    EXPECT_EQ(rectOf(3), (Rect{5, 100, 75, 150}));
    EXPECT_EQ(root->desiredSize(), (Size{10, 150}));
}

TEST_F(LayoutTest, HorizontalStackPanelSumsWidthsAndTakesTheTallest) {
    dui::Control* root = host(
        "<StackPanel orientation=\"horizontal\" horizontalAlign=\"left\" verticalAlign=\"top\">"
        "<Button id=\"1\" width=\"30\" height=\"10\"/><Button id=\"2\" width=\"40\" height=\"25\"/>"
        "</StackPanel>",
        300, 300);
    EXPECT_EQ(root->desiredSize(), (Size{70, 25}));
    EXPECT_EQ(root->rect(), (Rect{0, 0, 70, 25}));
    EXPECT_EQ(rectOf(2), (Rect{30, 0, 70, 25}));
    EXPECT_EQ(rectOf(1), (Rect{0, 7, 30, 17}));
}

TEST_F(LayoutTest, DockPanelWithOneChildFillsWhateverItsDock) {
    host("<DockPanel><Button id=\"1\" dock=\"right\"/></DockPanel>", 300, 200);
    EXPECT_EQ(rectOf(1), (Rect{0, 0, 300, 200}));
}

TEST_F(LayoutTest, DockPanelDocksInOrderAndTheLastChildFills) {
    host(
        "<DockPanel>"
        "<Button id=\"1\" dock=\"top\" height=\"40\"/>"
        "<Button id=\"2\" dock=\"bottom\" height=\"30\"/>"
        "<Button id=\"3\" width=\"50\"/>"
        "<Button id=\"4\" dock=\"right\" width=\"60\"/>"
        "<Button id=\"5\" dock=\"top\"/>"
        "</DockPanel>",
        300, 200);
    EXPECT_EQ(rectOf(1), (Rect{0, 0, 300, 40}));
    EXPECT_EQ(rectOf(2), (Rect{0, 170, 300, 200}));
    EXPECT_EQ(rectOf(3), (Rect{0, 40, 50, 170}));
    EXPECT_EQ(rectOf(4), (Rect{240, 40, 300, 170}));
    EXPECT_EQ(rectOf(5), (Rect{50, 40, 240, 170}));
}

TEST_F(LayoutTest, DockPanelRightChildWiderThanTheRestStartsAtTheLeftEdgeInUse) {
    host(
        "<DockPanel>"
        "<Button id=\"1\" width=\"80\"/>"
        "<Button id=\"2\" dock=\"right\" width=\"150\" horizontalAlign=\"left\"/>"
        "<Button id=\"3\"/>"
        "</DockPanel>",
        200, 100);
    EXPECT_EQ(rectOf(2).left, 80);
}

TEST_F(LayoutTest, DockPanelMeasuresSidesAndEdgesSeparately) {
    dui::Control* root = host(
        "<DockPanel horizontalAlign=\"left\" verticalAlign=\"top\">"
        "<Button width=\"50\" height=\"20\"/>"
        "<Button dock=\"top\" width=\"100\" height=\"30\"/>"
        "<Button dock=\"Top\" width=\"500\" height=\"500\"/>"
        "</DockPanel>",
        400, 400);
    // left: usedW 50, maxH 20; top: maxW 150, usedH 30; an unknown word adds nothing.
    EXPECT_EQ(root->desiredSize(), (Size{150, 30}));
}

TEST_F(LayoutTest, GridSizesToTheLargestPageEvenWhenItIsHidden) {
    dui::Control* root = host(
        "<Grid horizontalAlign=\"left\" verticalAlign=\"top\">"
        "<Grid id=\"1\" width=\"300\" height=\"100\"/>"
        "<Grid id=\"2\" width=\"645\" height=\"400\" visible=\"0\"/>"
        "</Grid>",
        1024, 768);
    EXPECT_EQ(root->desiredSize(), (Size{645, 400}));
    EXPECT_EQ(rectOf(2), (Rect{0, 0, 645, 400}));
    EXPECT_EQ(root->hitTest(500, 300), root);  // the hidden page is laid out, not hit
}

TEST_F(LayoutTest, LabelsMeasureTheirTextPlusPadding) {
    host(
        "<Grid><Label id=\"1\" text=\"abcd\" padding=\"2,3,4,5\" horizontalAlign=\"left\" "
        "verticalAlign=\"top\"/><Label id=\"2\" padding=\"1,1,1,1\" horizontalAlign=\"left\" "
        "verticalAlign=\"top\"/></Grid>",
        300, 300);
    EXPECT_EQ(byId(1)->desiredSize(), (Size{28 + 6, 16 + 8}));
    EXPECT_EQ(byId(2)->desiredSize(), (Size{2, 2}));
}

}  // namespace
}  // namespace tamlo::test
