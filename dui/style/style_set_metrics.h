#pragma once

#include "dui/core/content_metrics.h"

namespace tamlo::dui {

class StyleSet;

// Layout's sizes from the installed style set: text in its named fonts (measured as the
// renderer draws it), images from its cache, style images through their styles.
class StyleSetMetrics : public ContentMetrics {
  public:
    explicit StyleSetMetrics(StyleSet& styles) : styles_(styles) {}

    Size textExtent(std::u16string_view font, std::u16string_view text) override;
    bool imageSize(std::u16string_view file, Size& out) override;
    bool styleImageSize(std::u16string_view styleName, AttributeKey key, Size& out) override;
    bool styleExists(std::u16string_view styleName) override;

  private:
    StyleSet& styles_;
};

}  // namespace tamlo::dui
