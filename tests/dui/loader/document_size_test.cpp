// Documents whose size the input chooses: a small package entry that decodes to hundreds
// of megabytes is refused before it is decoded; an oversized text is refused before parsing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "authoring/package_writer.h"
#include "dui/loader/loader_fixture.h"
#include "dui/loader/xml_document.h"
#include "dui/loader/xml_shape.h"
#include "dui/style/style_set.h"
#include "resources/package_reader.h"
#include "support/test_environment.h"

namespace tamlo::test {
namespace {

using dui::Control;

bool anyLineHas(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& line : lines) {
        if (line.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST_F(LoaderTest, ALayoutEntryThatDecodesPastTheLimitIsRefusedUndecoded) {
    // 5 MiB of blanks packs into a few kilobytes: the frame.lz of 76 KB that decoded to
    // 512 MiB was of this kind.
    const std::string package = makeTempDir("frame-bomb") + "/frame.lz";
    const std::string bomb = "<Window>" + std::string(5 << 20, ' ') + "</Window>";
    const std::string fits =
        "<Window>" + std::string(dui::kMaxXmlDocumentBytes - 17, ' ') + "</Window>";
    ASSERT_EQ(fits.size(), dui::kMaxXmlDocumentBytes);
    PackageWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(package, &error)) << error;
    for (const auto& [name, text] :
         {std::pair{u"bomb.xml", &bomb}, std::pair{u"fits.xml", &fits}}) {
        ASSERT_TRUE(writer.addBuffer(name, reinterpret_cast<const uint8_t*>(text->data()),
                                     text->size(), false, &error))
            << error;
    }
    ASSERT_TRUE(writer.finish(&error)) << error;
    const std::string bytes = readFile(package);
    ASSERT_LT(bytes.size(), 100000u);
    auto* buffer = static_cast<uint8_t*>(std::malloc(bytes.size()));
    std::memcpy(buffer, bytes.data(), bytes.size());
    LayoutPackage& layouts = *uiContext()->registries->layoutPackage;
    layouts.buffer = buffer;
    layouts.reader = std::make_unique<PackageReader>(buffer, bytes.size());
    ASSERT_FALSE(layouts.reader->damaged());

    EXPECT_EQ(dui::loadLayout(u"bomb.xml"), nullptr);
    EXPECT_TRUE(anyLineHas(debugLines,
                           "layout \"bomb.xml\" decodes to 5242897 bytes, more than "
                           "4194304; refused"));
    std::unique_ptr<Control> root(dui::loadLayout(u"fits.xml"));
    EXPECT_NE(root, nullptr);
}

TEST_F(LoaderTest, ADocumentPastTheLimitIsRefusedBeforeParsing) {
    const std::string big = "<Style>" + std::string(dui::kMaxXmlDocumentBytes, ' ') + "</Style>";
    dui::XmlDocument document;
    EXPECT_FALSE(document.parse(big, u"big.xml"));
    EXPECT_TRUE(anyLineHas(debugLines, "XML in \"big.xml\" is larger than 4194304 bytes; refused"));
    EXPECT_EQ(dui::createStyle(big, u"big.xml"), nullptr);
}

}  // namespace
}  // namespace tamlo::test
