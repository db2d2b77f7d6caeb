// Text through the platform's own text engine, for builds without pango.
#include "platform/display_scale.h"
#include "platform/system_text.h"
#include "render/text_engine.h"

namespace tamlo::render {

int32_t engineDrawText(Bitmap* target, const Rect& clip, const Font& font, ColorRef color,
                       Rect& rect, std::u16string_view text, uint32_t format, double scale) {
    const FontSpec& fontSpec = font.fontSpec();
    const platform::SystemFont systemFont{
        fontSpec.face.empty() ? u"Sans" : fontSpec.face,
        scale == 1.0 ? font.pixelSize() : toDevice(font.pixelSize(), scale),
        fontSpec.weight <= 0 ? 400 : fontSpec.weight, fontSpec.underline};
    if (target == nullptr) {
        return platform::drawSystemText(nullptr, clip, systemFont, color, rect, text, format);
    }
    platform::PixelBlock block{target->pixels(), target->width(), target->height()};
    return platform::drawSystemText(&block, clip, systemFont, color, rect, text, format);
}

}  // namespace tamlo::render
