// Text through the platform's own text engine, for builds without pango.
#include "platform/system_text.h"
#include "render/text_engine.h"

namespace tamlo::render {

int32_t engineDrawText(Bitmap* target, const Rect& clip, const Font& font, ColorRef color,
                       Rect& rect, std::u16string_view text, uint32_t format) {
    const FontSpec& spec = font.fontSpec();
    const platform::SystemFont systemFont{spec.face.empty() ? u"Sans" : spec.face, font.pixelSize(),
                                          spec.weight <= 0 ? 400 : spec.weight, spec.underline};
    if (target == nullptr) {
        return platform::drawSystemText(nullptr, clip, systemFont, color, rect, text, format);
    }
    platform::PixelBlock block{target->pixels(), target->width(), target->height()};
    return platform::drawSystemText(&block, clip, systemFont, color, rect, text, format);
}

}  // namespace tamlo::render
