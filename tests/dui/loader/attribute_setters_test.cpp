#include <gtest/gtest.h>

#include "dui/core/object.h"
#include "dui/loader/attribute_registry.h"
#include "dui/loader/attribute_setters.h"

namespace tamlo::dui {
namespace {

class SetterTest : public ::testing::Test {
  protected:
    void set(std::u16string_view name, std::u16string_view value) {
        const duiField::ISetter* setter = registry.find(name);
        ASSERT_NE(setter, nullptr) << "no setter";
        setter->set(target, value);
    }
    Rect rect(AttributeKey key) {
        Rect out{-1, -1, -1, -1};
        EXPECT_TRUE(target.getRect(key, out));
        return out;
    }

    AttributeRegistry registry;
    Object target;
};

TEST_F(SetterTest, RegistryAcceptsTheEightyFiveNamesExactlyAndNotTheReaderOnlyKeys) {
    EXPECT_EQ(registry.size(), 85u);
    EXPECT_NE(registry.find(u"textpadding"), nullptr);
    EXPECT_EQ(registry.find(u"scrollvertical"), nullptr);
    EXPECT_EQ(registry.find(u"scrollhorizontal"), nullptr);
    EXPECT_EQ(registry.find(u"Margin"), nullptr);
    EXPECT_EQ(registry.find(u"visible"), nullptr);
    // Each setter stores under the canonical key, not a copy of the name.
    EXPECT_EQ(registry.find(u"margin")->key(), key::margin);
}

TEST_F(SetterTest, ColourReadsPositionsOneToSixWhateverStandsAtZero) {
    set(u"color", u"#6666ff");
    EXPECT_EQ(target.getInt(key::color, -1), 6711039);
    set(u"color", u"6666ff");  // the last digit is the terminator
    EXPECT_EQ(target.getInt(key::color, -1), 0x666FF0);
    set(u"textColor", u"#A1b2Zz");  // a non-hex digit counts as 0
    EXPECT_EQ(target.getInt(key::textColor, -1), 0xA1B200);
    set(u"textColor", u"#");
    EXPECT_EQ(target.getInt(key::textColor, -1), 0);
}

TEST_F(SetterTest, IntegersParseLikePercentD) {
    set(u"width", u"  -12px");
    EXPECT_EQ(target.getInt(key::width, 0), -12);
    set(u"width", u"+7");
    EXPECT_EQ(target.getInt(key::width, 0), 7);
    set(u"height", u"px12");
    EXPECT_EQ(target.getInt(key::height, -1), 0);
    set(u"height", u"-");
    EXPECT_EQ(target.getInt(key::height, -1), 0);
    set(u"id", u"99999999999999999999");
    EXPECT_EQ(target.getInt(key::id, 0), 2147483647);
    set(u"id", u"-99999999999999999999");
    EXPECT_EQ(target.getInt(key::id, 0), -2147483647 - 1);
}

TEST_F(SetterTest, RectsSkipBlanksBeforeNumbersButNotBeforeCommas) {
    set(u"margin", u"20,0,0,0");
    EXPECT_EQ(rect(key::margin), (Rect{20, 0, 0, 0}));
    set(u"margin", u"20, 1, 2, 3");
    EXPECT_EQ(rect(key::margin), (Rect{20, 1, 2, 3}));
    set(u"margin", u"5 ,6,7,8");  // the blank before the comma ends the scan
    EXPECT_EQ(rect(key::margin), (Rect{5, 0, 0, 0}));
    set(u"scaleGrid", u"5,6");
    EXPECT_EQ(rect(key::scaleGrid), (Rect{5, 6, 0, 0}));
    set(u"padding", u"");
    EXPECT_EQ(rect(key::padding), (Rect{0, 0, 0, 0}));
}

TEST_F(SetterTest, SizesTakeTwoNumbers) {
    Size size;
    set(u"initSize", u"645,400");
    ASSERT_TRUE(target.getSize(key::initSize, size));
    EXPECT_EQ(size, (Size{645, 400}));
    set(u"roundCorner", u"9");
    ASSERT_TRUE(target.getSize(key::roundCorner, size));
    EXPECT_EQ(size, (Size{9, 0}));
}

TEST_F(SetterTest, EnumWordsAreExactAndAnythingElseIsNone) {
    set(u"horizontalAlign", u"right");
    EXPECT_EQ(target.getInt(key::horizontalAlign, -1), enumValue(EnumWord::Right));
    set(u"horizontalAlign", u"Right");
    EXPECT_EQ(target.getInt(key::horizontalAlign, -1), enumValue(EnumWord::None));
    set(u"dock", u"bottom ");
    EXPECT_EQ(target.getInt(key::dock, -1), enumValue(EnumWord::None));
}

TEST_F(SetterTest, TextIsStoredUnchanged) {
    set(u"text", u"a &amp; \u4E22 b");
    std::u16string text;
    ASSERT_TRUE(target.getText(key::text, text));
    EXPECT_EQ(text, u"a &amp; \u4E22 b");
}

}  // namespace
}  // namespace tamlo::dui
