#pragma once

#include <string_view>

#include "dui/core/attribute_keys.h"
#include "platform/geometry.h"

namespace tamlo::dui {

// The sizes layout needs from the skin and the text renderer. The style set and the
// renderer install an implementation; without one, text and images measure as nothing
// and layout falls back to each reader's default.
class ContentMetrics {
  public:
    virtual ~ContentMetrics() = default;
    // Single-line extent of `text` in the named font ("Default" when `font` is empty):
    // width and line height. An empty text still has its line height.
    virtual Size textExtent(std::u16string_view font, std::u16string_view text) = 0;
    // Natural size of a skin image; false when it cannot be had.
    virtual bool imageSize(std::u16string_view file, Size& out) = 0;
    // Natural size of the image named by the text attribute `key` of style `styleName`;
    // false when the style, the attribute or the image is missing.
    virtual bool styleImageSize(std::u16string_view styleName, AttributeKey key, Size& out) = 0;
    // Whether the style set can load the style named `styleName`.
    virtual bool styleExists(std::u16string_view styleName) = 0;
};

// Replaces the installed metrics (null removes them); returns the previous ones.
ContentMetrics* setContentMetrics(ContentMetrics* metrics);
ContentMetrics* contentMetrics();

}  // namespace tamlo::dui
