#include "dui/core/attribute_keys.h"

namespace tamlo::dui {

namespace key {
const char16_t img[] = u"img";
const char16_t scaleGrid[] = u"scaleGrid";
const char16_t upSkin[] = u"upSkin";
const char16_t downSkin[] = u"downSkin";
const char16_t overSkin[] = u"overSkin";
const char16_t disabledSkin[] = u"disabledSkin";
const char16_t textColor[] = u"textColor";
const char16_t downOffset[] = u"downOffset";
const char16_t upIcon[] = u"upIcon";
const char16_t overIcon[] = u"overIcon";
const char16_t downIcon[] = u"downIcon";
const char16_t disabledIcon[] = u"disabledIcon";
const char16_t checkedUpIcon[] = u"checkedUpIcon";
const char16_t checkedOverIcon[] = u"checkedOverIcon";
const char16_t checkedDownIcon[] = u"checkedDownIcon";
const char16_t checkedDisabledIcon[] = u"checkedDisabledIcon";
const char16_t iconGap[] = u"iconGap";
const char16_t cloUpSkin[] = u"cloUpSkin";
const char16_t cloOverSkin[] = u"cloOverSkin";
const char16_t cloDownSkin[] = u"cloDownSkin";
const char16_t dropBtn[] = u"dropBtn";
const char16_t margin[] = u"margin";
const char16_t multiline[] = u"multiline";
const char16_t disabledAlpha[] = u"disabledAlpha";
const char16_t textPlacement[] = u"textPlacement";
const char16_t barSkin[] = u"barSkin";
const char16_t trackSkin[] = u"trackSkin";
const char16_t thumbUpSkin[] = u"thumbUpSkin";
const char16_t thumbOverSkin[] = u"thumbOverSkin";
const char16_t thumbDownSkin[] = u"thumbDownSkin";
const char16_t checkedUpSkin[] = u"checkedUpSkin";
const char16_t checkedDownSkin[] = u"checkedDownSkin";
const char16_t checkedOverSkin[] = u"checkedOverSkin";
const char16_t checkedDisabledSkin[] = u"checkedDisabledSkin";
const char16_t thumbScaleGrid[] = u"thumbScaleGrid";
const char16_t upArrowUpSkin[] = u"upArrowUpSkin";
const char16_t upArrowOverSkin[] = u"upArrowOverSkin";
const char16_t upArrowDownSkin[] = u"upArrowDownSkin";
const char16_t upArrowDisabledSkin[] = u"upArrowDisabledSkin";
const char16_t downArrowUpSkin[] = u"downArrowUpSkin";
const char16_t downArrowOverSkin[] = u"downArrowOverSkin";
const char16_t downArrowDownSkin[] = u"downArrowDownSkin";
const char16_t downArrowDisabledSkin[] = u"downArrowDisabledSkin";
const char16_t thumbUpIcon[] = u"thumbUpIcon";
const char16_t thumbOverIcon[] = u"thumbOverIcon";
const char16_t thumbDownIcon[] = u"thumbDownIcon";
const char16_t id[] = u"id";
const char16_t x[] = u"x";
const char16_t y[] = u"y";
const char16_t width[] = u"width";
const char16_t height[] = u"height";
const char16_t padding[] = u"padding";
const char16_t horizontalAlign[] = u"horizontalAlign";
const char16_t verticalAlign[] = u"verticalAlign";
const char16_t dock[] = u"dock";
const char16_t tooltip[] = u"tooltip";
const char16_t style[] = u"style";
const char16_t orientation[] = u"orientation";
const char16_t text[] = u"text";
const char16_t icon[] = u"icon";
const char16_t rows[] = u"rows";
const char16_t columns[] = u"columns";
const char16_t font[] = u"font";
const char16_t color[] = u"color";
const char16_t offIcon[] = u"offIcon";
const char16_t offText[] = u"offText";
const char16_t src[] = u"src";
const char16_t tabHeight[] = u"tabHeight";
const char16_t tabPlacement[] = u"tabPlacement";
const char16_t tabOffset[] = u"tabOffset";
const char16_t initSize[] = u"initSize";
const char16_t roundCorner[] = u"roundCorner";
const char16_t textAlign[] = u"textAlign";
const char16_t grayTip[] = u"grayTip";
const char16_t itemHeight[] = u"itemHeight";
const char16_t progressbkimg[] = u"progressbkimg";
const char16_t progressbkScaleGrid[] = u"progressbkScaleGrid";
const char16_t progressmargin[] = u"progressmargin";
const char16_t progressimg[] = u"progressimg";
const char16_t progressScaleGrid[] = u"progressScaleGrid";
const char16_t imagelist[] = u"imagelist";
const char16_t url[] = u"url";
const char16_t textspace[] = u"textspace";
const char16_t texteditable[] = u"texteditable";
const char16_t textpadding[] = u"textpadding";
const char16_t scrollvertical[] = u"scrollvertical";
const char16_t scrollhorizontal[] = u"scrollhorizontal";
}  // namespace key

const std::array<AttributeKey, kAttributeKeyCount>& allAttributeKeys() {
    static const std::array<AttributeKey, kAttributeKeyCount> keys = {
        key::img,
        key::scaleGrid,
        key::upSkin,
        key::downSkin,
        key::overSkin,
        key::disabledSkin,
        key::textColor,
        key::downOffset,
        key::upIcon,
        key::overIcon,
        key::downIcon,
        key::disabledIcon,
        key::checkedUpIcon,
        key::checkedOverIcon,
        key::checkedDownIcon,
        key::checkedDisabledIcon,
        key::iconGap,
        key::cloUpSkin,
        key::cloOverSkin,
        key::cloDownSkin,
        key::dropBtn,
        key::margin,
        key::multiline,
        key::disabledAlpha,
        key::textPlacement,
        key::barSkin,
        key::trackSkin,
        key::thumbUpSkin,
        key::thumbOverSkin,
        key::thumbDownSkin,
        key::checkedUpSkin,
        key::checkedDownSkin,
        key::checkedOverSkin,
        key::checkedDisabledSkin,
        key::thumbScaleGrid,
        key::upArrowUpSkin,
        key::upArrowOverSkin,
        key::upArrowDownSkin,
        key::upArrowDisabledSkin,
        key::downArrowUpSkin,
        key::downArrowOverSkin,
        key::downArrowDownSkin,
        key::downArrowDisabledSkin,
        key::thumbUpIcon,
        key::thumbOverIcon,
        key::thumbDownIcon,
        key::id,
        key::x,
        key::y,
        key::width,
        key::height,
        key::padding,
        key::horizontalAlign,
        key::verticalAlign,
        key::dock,
        key::tooltip,
        key::style,
        key::orientation,
        key::text,
        key::icon,
        key::rows,
        key::columns,
        key::font,
        key::color,
        key::offIcon,
        key::offText,
        key::src,
        key::tabHeight,
        key::tabPlacement,
        key::tabOffset,
        key::initSize,
        key::roundCorner,
        key::textAlign,
        key::grayTip,
        key::itemHeight,
        key::progressbkimg,
        key::progressbkScaleGrid,
        key::progressmargin,
        key::progressimg,
        key::progressScaleGrid,
        key::imagelist,
        key::url,
        key::textspace,
        key::texteditable,
        key::textpadding,
        key::scrollvertical,
        key::scrollhorizontal,
    };
    return keys;
}

AttributeKey findAttributeKey(std::u16string_view name) {
    for (AttributeKey candidate : allAttributeKeys()) {
        if (name == candidate) {
            return candidate;
        }
    }
    return nullptr;
}

namespace {
constexpr std::array<std::u16string_view, kEnumWordCount> kEnumWords = {
    u"left",     u"right", u"top",   u"bottom", u"center", u"stretch", u"horizontal",
    u"vertical", u"true",  u"false", u"auto",   u"always", u"never",
};
}  // namespace

EnumWord findEnumWord(std::u16string_view text) {
    for (std::size_t i = 0; i < kEnumWords.size(); ++i) {
        if (text == kEnumWords[i]) {
            return static_cast<EnumWord>(i + 1);
        }
    }
    return EnumWord::None;
}

std::u16string_view enumWordText(EnumWord word) {
    auto index = static_cast<int32_t>(word);
    if (index < 1 || index > static_cast<int32_t>(kEnumWordCount)) {
        return {};
    }
    return kEnumWords[static_cast<std::size_t>(index - 1)];
}

}  // namespace tamlo::dui
