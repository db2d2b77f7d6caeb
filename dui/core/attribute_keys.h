#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tamlo::dui {

// An attribute key is the address of its canonical name: lists compare keys by identity,
// never by text. Two names are keys that only readers use (no setter writes them).
using AttributeKey = const char16_t*;

constexpr std::size_t kAttributeKeyCount = 87;

namespace key {
extern const char16_t img[];
extern const char16_t scaleGrid[];
extern const char16_t upSkin[];
extern const char16_t downSkin[];
extern const char16_t overSkin[];
extern const char16_t disabledSkin[];
extern const char16_t textColor[];
extern const char16_t downOffset[];
extern const char16_t upIcon[];
extern const char16_t overIcon[];
extern const char16_t downIcon[];
extern const char16_t disabledIcon[];
extern const char16_t checkedUpIcon[];
extern const char16_t checkedOverIcon[];
extern const char16_t checkedDownIcon[];
extern const char16_t checkedDisabledIcon[];
extern const char16_t iconGap[];
extern const char16_t cloUpSkin[];
extern const char16_t cloOverSkin[];
extern const char16_t cloDownSkin[];
extern const char16_t dropBtn[];
extern const char16_t margin[];
extern const char16_t multiline[];
extern const char16_t disabledAlpha[];
extern const char16_t textPlacement[];
extern const char16_t barSkin[];
extern const char16_t trackSkin[];
extern const char16_t thumbUpSkin[];
extern const char16_t thumbOverSkin[];
extern const char16_t thumbDownSkin[];
extern const char16_t checkedUpSkin[];
extern const char16_t checkedDownSkin[];
extern const char16_t checkedOverSkin[];
extern const char16_t checkedDisabledSkin[];
extern const char16_t thumbScaleGrid[];
extern const char16_t upArrowUpSkin[];
extern const char16_t upArrowOverSkin[];
extern const char16_t upArrowDownSkin[];
extern const char16_t upArrowDisabledSkin[];
extern const char16_t downArrowUpSkin[];
extern const char16_t downArrowOverSkin[];
extern const char16_t downArrowDownSkin[];
extern const char16_t downArrowDisabledSkin[];
extern const char16_t thumbUpIcon[];
extern const char16_t thumbOverIcon[];
extern const char16_t thumbDownIcon[];
extern const char16_t id[];
extern const char16_t x[];
extern const char16_t y[];
extern const char16_t width[];
extern const char16_t height[];
extern const char16_t padding[];
extern const char16_t horizontalAlign[];
extern const char16_t verticalAlign[];
extern const char16_t dock[];
extern const char16_t tooltip[];
extern const char16_t style[];
extern const char16_t orientation[];
extern const char16_t text[];
extern const char16_t icon[];
extern const char16_t rows[];
extern const char16_t columns[];
extern const char16_t font[];
extern const char16_t color[];
extern const char16_t offIcon[];
extern const char16_t offText[];
extern const char16_t src[];
extern const char16_t tabHeight[];
extern const char16_t tabPlacement[];
extern const char16_t tabOffset[];
extern const char16_t initSize[];
extern const char16_t roundCorner[];
extern const char16_t textAlign[];
extern const char16_t grayTip[];
extern const char16_t itemHeight[];
extern const char16_t progressbkimg[];
extern const char16_t progressbkScaleGrid[];
extern const char16_t progressmargin[];
extern const char16_t progressimg[];
extern const char16_t progressScaleGrid[];
extern const char16_t imagelist[];
extern const char16_t url[];
extern const char16_t textspace[];
extern const char16_t texteditable[];
extern const char16_t textpadding[];
extern const char16_t scrollvertical[];
extern const char16_t scrollhorizontal[];
}  // namespace key

// Every key: the 85 attribute names in registry order, then the two reader-only keys.
const std::array<AttributeKey, kAttributeKeyCount>& allAttributeKeys();

// The canonical key spelled exactly (case-sensitive) as `name`, or null.
AttributeKey findAttributeKey(std::u16string_view name);

// Enum words. An enum attribute stores one of these as its integer value; 0 stands for a
// word that is not one of the 13, which matches none of them.
enum class EnumWord : int32_t {
    None = 0,
    Left,
    Right,
    Top,
    Bottom,
    Center,
    Stretch,
    Horizontal,
    Vertical,
    True,
    False,
    Auto,
    Always,
    Never,
};

constexpr std::size_t kEnumWordCount = 13;

// The word spelled exactly as `text`, or EnumWord::None.
EnumWord findEnumWord(std::u16string_view text);
// The word's text; empty for EnumWord::None.
std::u16string_view enumWordText(EnumWord word);

inline int32_t enumValue(EnumWord word) {
    return static_cast<int32_t>(word);
}

}  // namespace tamlo::dui
