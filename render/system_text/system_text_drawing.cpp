// Text through the platform's own text engine, for builds without pango.
#include <algorithm>
#include <cmath>

#include "platform/system_text.h"
#include "render/text_engine.h"

namespace tamlo::render {
namespace {

// The font's height in device pixels, rounded down: the system's fonts come in whole pixels,
// and text laid out and wrapped at the logical size must not outgrow its box on the device
// (13 pixels at 150 % is 19, not 20).
int32_t devicePixelSize(const Font& font, double scale) {
    if (scale == 1.0) {
        return font.pixelSize();
    }
    const double device = std::floor(static_cast<double>(font.pixelSize()) * scale + 1e-9);
    return static_cast<int32_t>(std::clamp(device, 1.0, 32767.0));
}

}  // namespace

int32_t engineDrawText(Bitmap* target, const Rect& clip, const Font& font, ColorRef color,
                       Rect& rect, std::u16string_view text, uint32_t format, double scale) {
    const FontSpec& fontSpec = font.fontSpec();
    const platform::SystemFont systemFont{
        fontSpec.face.empty() ? u"Sans" : fontSpec.face, devicePixelSize(font, scale),
        fontSpec.weight <= 0 ? 400 : fontSpec.weight, fontSpec.underline};
    if (target == nullptr) {
        return platform::drawSystemText(nullptr, clip, systemFont, color, rect, text, format);
    }
    platform::PixelBlock block{target->pixels(), target->width(), target->height()};
    return platform::drawSystemText(&block, clip, systemFont, color, rect, text, format);
}

}  // namespace tamlo::render
