#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "dui/core/panel.h"
#include "dui/loader/loader_fixture.h"
#include "dui/loader/xml_shape.h"
#include "dui/style/style_set.h"
#include "render/font.h"

namespace tamlo::test {
namespace {

using dui::kMaxXmlElements;
using dui::kMaxXmlNesting;
using dui::measureXml;

std::string repeat(const std::string& piece, size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

bool anyLineHas(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& line : lines) {
        if (line.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST_F(LoaderTest, ADocumentNestedAHundredThousandDeepIsRefusedNotOverflowed) {
    const std::string deep = repeat("<Grid>", 100000) + repeat("</Grid>", 100000);
    EXPECT_EQ(build(deep), nullptr);
    EXPECT_TRUE(anyLineHas(debugLines, "\"test.xml\" nested deeper than 256")) << debugLines.back();
    // Styles and the font list go through the same document.
    EXPECT_EQ(dui::createStyle("<Style>" + deep + "</Style>"), nullptr);
    std::map<std::u16string, std::unique_ptr<render::Font>, std::less<>> fonts;
    dui::readFontList("<Fonts><Font name=\"a\"/>" + deep + "</Fonts>", fonts);
    EXPECT_TRUE(fonts.empty());
    EXPECT_TRUE(anyLineHas(debugLines, "\"font.xml\" nested deeper"));
}

TEST_F(LoaderTest, NestingIsCountedAsTheParserReadsTheMarkup) {
    // An empty element is as deep as an open one.
    EXPECT_EQ(measureXml("<Window style=\"shadow.xml\"/>\n").deepest, 1);
    EXPECT_EQ(measureXml("<a><b/></a><c/>").deepest, 2);
    // Text the parser does not take as tags neither opens nor closes anything...
    EXPECT_EQ(
        measureXml("<a><!-- </a></a> --><![CDATA[</a>]]><?pi </a> ?><b x='</a>>'/></a>").deepest,
        2);
    EXPECT_EQ(measureXml("<!DOCTYPE d [<!ELEMENT a (b)>]><a><b/><c></c></a>").elements, 3u);
    // A stray ']' does not open a bracket the parser never sees: what follows is measured.
    EXPECT_GT(measureXml("<!DOCTYPE d ]>" + repeat("<a>", 300)).deepest, kMaxXmlNesting);
    // ...and a quote is a value only after "=": in a name it is a name character, so the
    // '>' after it ends the tag and everything behind it nests.
    const std::string trick = "<a=\">" + repeat("<Grid>", 300) + "\"";
    EXPECT_GT(measureXml(trick).deepest, kMaxXmlNesting);
    EXPECT_EQ(build(trick + repeat("</Grid>", 300) + "</a=\">"), nullptr);
    // Found by fuzzing: a quote straight after a value starts the next attribute's name,
    // and the element goes on.
    EXPECT_EQ(measureXml("<a><b x=\"1\"\"y=\"2\"><c/></b></a>").elements, 3u);
    // Where the parser would give up, measuring stops too.
    EXPECT_EQ(measureXml("<a><b><c d></c>" + repeat("<a>", 1000)).deepest, 2);
    EXPECT_EQ(measureXml("<a>" + repeat("<!-- ", 1) + repeat("<a>", 1000)).deepest, 1);
}

TEST_F(LoaderTest, ALayoutWithMoreElementsThanTheLimitIsRefused) {
    const std::string fits = "<Window>" + repeat("<Label/>", kMaxXmlElements - 1) + "</Window>";
    dui::Control* root = build(fits);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(static_cast<size_t>(root->asPanel()->childCount()), kMaxXmlElements - 1);
    EXPECT_EQ(build("<Window>" + repeat("<Label/>", kMaxXmlElements) + "</Window>"), nullptr);
    EXPECT_TRUE(anyLineHas(debugLines, "has more than 20000 elements; refused"));
}

TEST_F(LoaderTest, AFontListKeepsAtMostTheFontLimitAndSaysSo) {
    std::string xml = "<Fonts>";
    for (size_t i = 0; i <= dui::kMaxFonts; ++i) {
        xml += "<Font name=\"f" + std::to_string(i) + "\" size=\"9\"/>";
    }
    xml += "<Font name=\"f0\" size=\"30\"/></Fonts>";
    std::map<std::u16string, std::unique_ptr<render::Font>, std::less<>> fonts;
    dui::readFontList(xml, fonts);
    EXPECT_EQ(fonts.size(), dui::kMaxFonts);
    EXPECT_EQ(fonts.count(u"f1024"), 0u);
    EXPECT_TRUE(anyLineHas(debugLines, "more than 1024 fonts"));
}

}  // namespace
}  // namespace tamlo::test
