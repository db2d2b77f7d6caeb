#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <typeinfo>

#include "authoring/package_writer.h"
#include "dui/controls/button.h"
#include "dui/controls/label.h"
#include "dui/controls/tab_item.h"
#include "dui/core/panel.h"
#include "dui/layout/simple_panels.h"
#include "dui/loader/loader_fixture.h"
#include "dui/loader/xml_shape.h"
#include "dui/style/style.h"
#include "resources/package_reader.h"
#include "support/test_environment.h"

namespace tamlo::test {
namespace {

using dui::Control;
using dui::ControlFlag::Enabled;
using dui::ControlFlag::Transparent;
using dui::ControlFlag::Visible;

std::u16string textOf(const Control& control) {
    std::u16string text;
    control.getText(dui::key::text, text);
    return text;
}

TEST_F(LoaderTest, WindowRootBuildsAGridWithChildrenInDocumentOrder) {
    Control* root = build(
        "<Window style=\"bkgnd.xml\" initSize=\"645,400\">\n"
        "  <Grid id=\"1000\" width=\"645\"><Label text=\"a\"/><Button id=\"1001\"/></Grid>\n"
        "  <Button id=\"5000\"/>\n"
        "</Window>");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(typeid(*root), typeid(dui::Grid));
    EXPECT_EQ(root->getName(), u"Panel");
    dui::Panel* panel = root->asPanel();
    ASSERT_EQ(panel->childCount(), 2);
    EXPECT_EQ(panel->firstChild()->getInt(dui::key::id, 0), 1000);
    EXPECT_EQ(panel->lastChild()->getInt(dui::key::id, 0), 5000);
    dui::Panel* page = panel->firstChild()->asPanel();
    ASSERT_EQ(page->childCount(), 2);
    EXPECT_EQ(typeid(*page->firstChild()), typeid(dui::Label));
    EXPECT_EQ(page->firstChild()->parent(), page);
}

TEST_F(LoaderTest, ChineseCaptionsSurviveWhateverTheirLowBytes) {
    // U+4E22 has '"' as its low byte; U+4E3C '<', U+4E20 a space.
    Control* root = build(
        "<Window><Label text=\"\xE4\xB8\xA2\xE5\xA4\xB1 \xE4\xB8\xBC\xE4\xB8\xA0\" id=\"7\"/>"
        "<Label text=\"\xE4\xB8\xA2\"/></Window>");
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->asPanel()->childCount(), 2);
    EXPECT_EQ(textOf(*root->asPanel()->firstChild()), u"\u4E22\u5931 \u4E3C\u4E20");
    EXPECT_EQ(root->asPanel()->firstChild()->getInt(dui::key::id, 0), 7);
    EXPECT_EQ(textOf(*root->asPanel()->lastChild()), u"\u4E22");
}

TEST_F(LoaderTest, ValuesAreTakenLiterallyAndTheLaterOfTwoSameNamesWins) {
    Control* root = build("<Button text=\"a &amp; b\" width=\"10\" width=\"20\"/>");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(textOf(*root), u"a &amp; b");
    EXPECT_EQ(root->getInt(dui::key::width, 0), 20);
}

TEST_F(LoaderTest, FlagsAreSetOnlyByTheTextOne) {
    Control* root = build(
        "<Grid><Button visible=\"true\"/><Button visible=\"1\" enabled=\"0\"/>"
        "<Grid transparent=\"1\"/><Label transparent=\"yes\"/></Grid>");
    ASSERT_NE(root, nullptr);
    auto children = root->asPanel()->childList();
    ASSERT_EQ(children.size(), 4u);
    EXPECT_FALSE(children[0]->hasFlags(Visible));
    EXPECT_TRUE(children[1]->hasFlags(Visible));
    EXPECT_FALSE(children[1]->hasFlags(Enabled));
    EXPECT_TRUE(children[2]->hasFlags(Transparent));
    EXPECT_FALSE(
        children[3]->hasFlags(Transparent));  // a Label is transparent until told otherwise
}

TEST_F(LoaderTest, UnknownElementsAreSkippedWithTheirWholeSubtree) {
    Control* root = build(
        "<Grid><Button id=\"1\"/><Widget id=\"2\"><Button id=\"3\"/></Widget>"
        "<Button id=\"4\"/>text</Grid>");
    ASSERT_NE(root, nullptr);
    auto children = root->asPanel()->childList();
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(children[0]->getInt(dui::key::id, 0), 1);
    EXPECT_EQ(children[1]->getInt(dui::key::id, 0), 4);
    EXPECT_EQ(build("<Widget><Button/></Widget>"), nullptr);
    EXPECT_EQ(build("<window/>"), nullptr);  // names are case-sensitive
}

TEST_F(LoaderTest, TabItemKeepsOnlyItsFirstChildAsItsPage) {
    Control* root = build(
        "<TabControl><TabItem text=\"one\"><Grid id=\"10\"/><Grid id=\"11\"/></TabItem>"
        "<TabItem/></TabControl>");
    ASSERT_NE(root, nullptr);
    auto items = root->asPanel()->childList();
    ASSERT_EQ(items.size(), 2u);
    auto* first = dynamic_cast<dui::TabItem*>(items[0]);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first->page(), nullptr);
    EXPECT_EQ(first->page()->getInt(dui::key::id, 0), 10);
    EXPECT_EQ(first->page()->asPanel()->childCount(), 0);
    EXPECT_EQ(dynamic_cast<dui::TabItem*>(items[1])->page(), nullptr);
}

TEST_F(LoaderTest, ChildrenOfAControlWithoutAChildListAreSkipped) {
    Control* root = build("<Grid><Button id=\"1\"><Label id=\"2\"/></Button></Grid>");
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->asPanel()->childCount(), 1);
    EXPECT_EQ(root->asPanel()->firstChild()->asPanel(), nullptr);
}

TEST_F(LoaderTest, ReaderOnlyKeysAndUnknownNamesWrittenInADocumentAreIgnored) {
    Control* root = build("<ScrollPanel scrollvertical=\"never\" colour=\"#ffffff\"/>");
    ASSERT_NE(root, nullptr);
    EXPECT_FALSE(root->hasInt(dui::key::scrollvertical));
    EXPECT_FALSE(root->hasInt(dui::key::color));
}

TEST_F(LoaderTest, MalformedDocumentsGiveNoTreeAndADebugLineNamingTheFile) {
    EXPECT_EQ(build("<Window><Button></Window>"), nullptr);
    ASSERT_FALSE(debugLines.empty());
    EXPECT_NE(debugLines.back().find("test.xml"), std::string::npos) << debugLines.back();
    EXPECT_EQ(build("<Window text=\"unterminated/>"), nullptr);
    EXPECT_EQ(build(""), nullptr);
    EXPECT_EQ(build("just text"), nullptr);
    EXPECT_EQ(build(std::string("<Grid>\0<Button/></Grid>", 22)), nullptr);
}

TEST_F(LoaderTest, DeepNestingIsCutOffInsteadOfExhaustingTheStack) {
    // Past the document limit nothing is built at all (xml_limits_test has the edges); at
    // the limit every level is there.
    auto nested = [](int levels) {
        std::string xml;
        for (int i = 0; i < levels; ++i) {
            xml += "<Grid>";
        }
        for (int i = 0; i < levels; ++i) {
            xml += "</Grid>";
        }
        return xml;
    };
    EXPECT_EQ(build(nested(400)), nullptr);
    Control* root = build(nested(dui::kMaxXmlNesting));
    ASSERT_NE(root, nullptr);
    int depth = 0;
    for (Control* node = root; node != nullptr && node->asPanel() != nullptr;
         node = node->asPanel()->firstChild()) {
        ++depth;
    }
    EXPECT_EQ(depth, dui::kMaxXmlNesting);
}

TEST_F(LoaderTest, LoadLayoutReadsTheLayoutPackageAndReturnsNullForMissingNames) {
    const std::string package = makeTempDir("frame") + "/frame.lz";
    const std::string xml = "<Window><Button id=\"3\"/></Window>";
    PackageWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(package, &error)) << error;
    ASSERT_TRUE(writer.addBuffer(u"main.xml", reinterpret_cast<const uint8_t*>(xml.data()),
                                 xml.size(), false, &error))
        << error;
    ASSERT_TRUE(writer.finish(&error)) << error;

    EXPECT_EQ(dui::loadLayout(u"main.xml"), nullptr);  // no package loaded yet

    const std::string bytes = readFile(package);
    ASSERT_FALSE(bytes.empty());
    auto* buffer = static_cast<uint8_t*>(std::malloc(bytes.size()));
    std::memcpy(buffer, bytes.data(), bytes.size());
    LayoutPackage& layouts = *uiContext()->registries->layoutPackage;
    layouts.buffer = buffer;
    layouts.reader = std::make_unique<PackageReader>(buffer, bytes.size());
    ASSERT_FALSE(layouts.reader->damaged());

    std::unique_ptr<Control> root(dui::loadLayout(u"main.xml"));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->asPanel()->firstChild()->getInt(dui::key::id, 0), 3);
    EXPECT_EQ(dui::loadLayout(u"absent.xml"), nullptr);
    EXPECT_EQ(dui::loadLayout(u"MAIN.XML"), nullptr);
}

}  // namespace
}  // namespace tamlo::test

namespace tamlo::test {
namespace {

TEST_F(LoaderTest, StylePropertiesTakeTheSameSettersAndIgnoreTheFlagNames) {
    dui::XmlDocument document;
    ASSERT_TRUE(document.parse("<Prop upSkin=\"up.png\" scaleGrid=\"3,3,3,3\" visible=\"1\"/>",
                               u"button.xml"));
    dui::Style style;
    dui::applyAttributes(style, document.firstElement());
    std::u16string skin;
    EXPECT_TRUE(style.getText(dui::key::upSkin, skin));
    EXPECT_EQ(skin, u"up.png");
    Rect grid;
    EXPECT_TRUE(style.getRect(dui::key::scaleGrid, grid));
    EXPECT_EQ(grid, (Rect{3, 3, 3, 3}));
}

}  // namespace
}  // namespace tamlo::test
