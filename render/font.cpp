#include "render/font.h"

#include <pango/pango.h>

#include <cstdlib>

#include "platform/text_encoding.h"
#include "render/font_description.h"

namespace tamlo::render {

namespace {
constexpr int32_t kDefaultPixelSize = 12;
}

FontSpec defaultGuiFontSpec() {
    return FontSpec{};
}

Font::Font(const FontSpec& fontSpec)
    : fontSpec_(fontSpec), description_(std::make_unique<Description>()) {
    if (fontSpec_.face.size() > FontSpec::kMaxFaceLength) {
        fontSpec_.face.resize(FontSpec::kMaxFaceLength);
    }
    PangoFontDescription* pango = pango_font_description_new();
    const std::string family = utf16ToUtf8(fontSpec_.face.empty() ? u"Sans" : fontSpec_.face);
    pango_font_description_set_family(pango, family.c_str());
    pango_font_description_set_absolute_size(pango, static_cast<double>(pixelSize()) * PANGO_SCALE);
    // Pango accepts weights 100..1000; LOGFONT's 0 means "default".
    int32_t weight = fontSpec_.weight <= 0 ? 400 : fontSpec_.weight;
    weight = weight < 100 ? 100 : weight > 1000 ? 1000 : weight;
    pango_font_description_set_weight(pango, static_cast<PangoWeight>(weight));
    description_->pango = pango;
}

Font::~Font() {
    pango_font_description_free(description_->pango);
}

int32_t Font::pixelSize() const {
    if (fontSpec_.height == 0) {
        return kDefaultPixelSize;
    }
    // Both signs are taken as the em height; cell height and em height differ by a few pixels.
    const int64_t size = std::llabs(static_cast<int64_t>(fontSpec_.height));
    return size > 4096 ? 4096 : static_cast<int32_t>(size);
}

const Font& Font::defaultGui() {
    static const Font font(defaultGuiFontSpec());
    return font;
}

}  // namespace tamlo::render
