// Style documents, the style table's caching and the font list.
#include <typeinfo>

#include "platform/debug_sink.h"
#include "style_fixture.h"

namespace tamlo::test {
namespace {

TEST_F(StyleTest, DocumentTypeComesFromTheFirstAttributeWhateverItsName) {
    std::unique_ptr<dui::Style> style = dui::createStyle(
        R"(<Style><Config kind="CheckButton"><Prop iconGap="6"/></Config></Style>)");
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(typeid(*style), typeid(dui::Style_CheckButton));
    EXPECT_EQ(style->getInt(dui::key::iconGap, 0), 6);
    style =
        dui::createStyle(R"(<Style><Config type="Nope"><Prop upSkin="a.png"/></Config></Style>)");
    EXPECT_EQ(typeid(*style), typeid(dui::Style));
    EXPECT_NE(style->findText(dui::key::upSkin), nullptr);
}

TEST_F(StyleTest, IncompleteDocumentsGivePlainStylesAndBrokenOnesNothing) {
    for (const char* text : {"", "<Style/>", "<Style><Config/></Style>",
                             R"(<Style><Config><Prop upSkin="a.png"/></Config></Style>)"}) {
        std::unique_ptr<dui::Style> style = dui::createStyle(text);
        ASSERT_NE(style, nullptr) << text;
        EXPECT_EQ(typeid(*style), typeid(dui::Style)) << text;
        EXPECT_EQ(style->findText(dui::key::upSkin), nullptr) << text;
    }
    std::unique_ptr<dui::Style> bare =
        dui::createStyle(R"(<Style><Config type="Button"/></Style>)");
    EXPECT_EQ(typeid(*bare), typeid(dui::Style_Button));
    EXPECT_EQ(dui::createStyle("<Style><Config type=\"Button\""), nullptr);
}

TEST_F(StyleTest, StylesAreLoadedOnceAndMissingOnesRetried) {
    files[u"a.xml"] = R"(<Style><Config type="Button"><Prop upSkin="u.png"/></Config></Style>)";
    files[u"bad.xml"] = "<Style><Config";
    dui::Style* first = styles->getStyle(u"a.xml");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(styles->getStyle(u"a.xml"), first);
    EXPECT_EQ(reads[u"a.xml"], 1);
    EXPECT_EQ(styles->getStyle(u"none.xml"), nullptr);
    EXPECT_EQ(styles->getStyle(u"none.xml"), nullptr);
    EXPECT_EQ(reads[u"none.xml"], 2);
    std::vector<std::string> lines;
    setDebugHook([&lines](const std::string& line) { lines.push_back(line); });
    EXPECT_EQ(styles->getStyle(u"bad.xml"), nullptr);
    setDebugHook(nullptr);
    // A malformed document is named by its file.
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("\"bad.xml\""), std::string::npos) << lines[0];
    EXPECT_EQ(styles->getStyle(u"bad.xml"), nullptr);
    EXPECT_EQ(reads[u"bad.xml"], 2);
    // A reload empties the table.
    reload();
    EXPECT_NE(styles->getStyle(u"a.xml"), nullptr);
    EXPECT_EQ(reads[u"a.xml"], 2);
}

TEST_F(StyleTest, FontListBuildsNamedFontsOverTheDefault) {
    files[u"font.xml"] = R"(<Fonts>
        <Font name="Default" face="DejaVu Sans" size="12" bold="false"/>
        <Font name="Big" size="20" bold="true" underline="true"/>
        <Font name="Big" size="30"/>
        <Font face="Nameless" size="40"/>
        <Font name="Long" face="ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"/>
        <Font name="Junk" size="abc" bold="TRUE"/>
        <!-- a comment is not a font -->
    </Fonts>)";
    reload();
    const render::FontSpec base = render::defaultGuiFontSpec();
    const render::Font* normal = styles->getFont(u"Default");
    ASSERT_NE(normal, nullptr);
    EXPECT_EQ(normal->fontSpec().height, -12);
    EXPECT_EQ(normal->fontSpec().weight, 400);
    EXPECT_EQ(normal->fontSpec().face, u"DejaVu Sans");
    const render::Font* big = styles->getFont(u"Big");
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->fontSpec().height, -30);
    EXPECT_EQ(big->fontSpec().weight, base.weight);
    EXPECT_EQ(big->fontSpec().underline, base.underline);
    EXPECT_EQ(styles->getFont(u"Nameless"), nullptr);
    EXPECT_EQ(styles->getFont(u""), nullptr);
    ASSERT_NE(styles->getFont(u"Long"), nullptr);
    EXPECT_EQ(styles->getFont(u"Long")->fontSpec().face, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");
    ASSERT_NE(styles->getFont(u"Junk"), nullptr);
    EXPECT_EQ(styles->getFont(u"Junk")->fontSpec().height, 0);
    EXPECT_EQ(styles->getFont(u"Junk")->fontSpec().weight, 400);
}

TEST_F(StyleTest, MissingImagesAreRetriedAndUndecodableOnesDrawNothing) {
    files[u"junk.png"] = "not an image";
    EXPECT_EQ(styles->image(u"junk.png"), nullptr);
    EXPECT_EQ(styles->image(u"gone.png"), nullptr);
    EXPECT_EQ(styles->image(u"gone.png"), nullptr);
    EXPECT_EQ(reads[u"gone.png"], 2);
    files[u"gone.png"] = solidPng(2, 3, 0x112233FF);
    const render::Image* image = styles->image(u"gone.png");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->height(), 3);
}

}  // namespace
}  // namespace tamlo::test
