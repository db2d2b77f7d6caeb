#include "dui/style/style_set_metrics.h"

#include "dui/style/style.h"
#include "dui/style/style_set.h"
#include "render/image.h"
#include "render/text.h"

namespace tamlo::dui {

Size StyleSetMetrics::textExtent(std::u16string_view font, std::u16string_view text) {
    // A font the set lacks measures in the default GUI font, as it would be drawn.
    const render::Font* named = styles_.getFont(font.empty() ? u"Default" : font);
    return render::measureText(named, text);
}

bool StyleSetMetrics::imageSize(std::u16string_view file, Size& out) {
    const render::Image* image = styles_.image(file);
    if (image == nullptr || !image->hasBitmap()) {
        return false;
    }
    out = Size{image->width(), image->height()};
    return true;
}

bool StyleSetMetrics::styleImageSize(std::u16string_view styleName, AttributeKey key, Size& out) {
    Style* style = styles_.getStyle(styleName);
    const std::u16string* file = style == nullptr ? nullptr : style->findText(key);
    return file != nullptr && imageSize(*file, out);
}

bool StyleSetMetrics::styleExists(std::u16string_view styleName) {
    return styles_.getStyle(styleName) != nullptr;
}

}  // namespace tamlo::dui
