// Controls that paint more than their own style: labels, images, progress bars and the
// check boxes' default style names.
#include "dui/controls/button.h"
#include "dui/controls/label.h"
#include "dui/controls/static_controls.h"
#include "style_fixture.h"

namespace tamlo::test {
namespace {

constexpr uint32_t kBlackPixel = 0xFF000000u;
constexpr uint32_t kRedPixel = 0xFFFF0000u;
constexpr uint32_t kGreenPixel = 0xFF00FF00u;

class ControlPaint : public StyleTest {
  protected:
    void SetUp() override {
        StyleTest::SetUp();
        files[u"red.png"] = solidPng(4, 4, 0xFF0000FF);
        files[u"green.png"] = solidPng(4, 4, 0x00FF00FF);
        files[u"red.xml"] =
            R"(<Style><Config type="Style"><Prop upSkin="red.png"/></Config></Style>)";
        files[u"radiobutton.xml"] =
            R"(<Style><Config type="Style"><Prop upSkin="green.png"/></Config></Style>)";
        files[u"checkbox.xml"] = files[u"radiobutton.xml"];
        reload();
    }
    void paint(dui::Control& control, Rect bounds, int32_t width = 100, int32_t height = 20) {
        render::Canvas& canvas = surface(width, height, 0);
        control.paint(canvas, bounds, bounds);
    }
};

TEST_F(ControlPaint, ProgressBarRevealsItsFillUpToThePosition) {
    dui::ProgressBar bar;
    bar.setText(dui::key::progressbkimg, u"green.png");
    bar.setText(dui::key::progressimg, u"red.png");
    bar.setRange(100);
    bar.setPosition(33);
    paint(bar, {0, 0, 100, 20});
    EXPECT_EQ(at(32, 10), kRedPixel);
    EXPECT_EQ(at(33, 10), kGreenPixel);
    bar.setRect(dui::key::progressmargin, 10, 2, 10, 2);
    paint(bar, {0, 0, 100, 20});
    // The box is 80 wide from x 10: 80 x 33 / 100 = 26 pixels.
    EXPECT_EQ(at(35, 10), kRedPixel);
    EXPECT_EQ(at(36, 10), kGreenPixel);
    EXPECT_EQ(at(20, 1), kGreenPixel);
    bar.setPosition(500);
    EXPECT_EQ(bar.position(), 100);
    bar.setPosition(-40);
    paint(bar, {0, 0, 100, 20});
    EXPECT_EQ(at(12, 10), kGreenPixel);
    bar.setRange(0);
    paint(bar, {0, 0, 100, 20});
    EXPECT_EQ(at(12, 10), kGreenPixel);
}

TEST_F(ControlPaint, LabelAlignsWithinItsPadding) {
    dui::Label label;
    label.setText(dui::key::text, u"HH");
    label.setInt(dui::key::color, 0xFFFFFF);
    label.setRect(dui::key::padding, 0, 0, 10, 0);
    label.setInt(dui::key::textAlign, dui::enumValue(dui::EnumWord::Right));
    paint(label, {0, 0, 100, 20});
    const Rect right = inkBox(kBlackPixel);
    EXPECT_LE(right.right, 90);
    EXPECT_GE(right.right, 86);
    label.setInt(dui::key::textAlign, 0);
    paint(label, {0, 0, 100, 20});
    EXPECT_LE(inkBox(kBlackPixel).left, 3);
    dui::Label empty;
    paint(empty, {0, 0, 100, 20});
    EXPECT_EQ(inkBox(kBlackPixel).right, INT32_MIN);
}

TEST_F(ControlPaint, CheckBoxAndRadioButtonChooseTheirStyles) {
    dui::CheckBox check;
    paint(check, {0, 0, 10, 10});
    EXPECT_EQ(at(5, 5), kGreenPixel);
    check.setText(dui::key::style, u"red.xml");
    paint(check, {0, 0, 10, 10});
    EXPECT_EQ(at(5, 5), kRedPixel);
    // A named style that is missing draws nothing, not the default.
    check.setText(dui::key::style, u"missing.xml");
    paint(check, {0, 0, 10, 10});
    EXPECT_EQ(at(5, 5), kBlackPixel);
    dui::RadioButton radio;
    radio.setText(dui::key::style, u"red.xml");
    paint(radio, {0, 0, 10, 10});
    EXPECT_EQ(at(5, 5), kGreenPixel);
}

TEST_F(ControlPaint, ImagesStretchOverTheControl) {
    dui::Drawing drawing;
    drawing.setText(dui::key::src, u"red.png");
    paint(drawing, {10, 5, 30, 15});
    EXPECT_EQ(at(10, 5), kRedPixel);
    EXPECT_EQ(at(29, 14), kRedPixel);
    EXPECT_EQ(at(30, 14), kBlackPixel);
    dui::ImageButton button;
    button.setText(dui::key::img, u"green.png");
    paint(button, {0, 0, 10, 10});
    EXPECT_EQ(at(5, 5), kGreenPixel);
    button.setText(dui::key::style, u"red.xml");
    paint(button, {0, 0, 10, 10});
    EXPECT_EQ(at(5, 5), kRedPixel);
}

}  // namespace
}  // namespace tamlo::test
