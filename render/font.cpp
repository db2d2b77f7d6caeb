#include "render/font.h"

#include <cstdlib>

namespace tamlo::render {

namespace {
constexpr int32_t kDefaultPixelSize = 12;
}

FontSpec defaultGuiFontSpec() {
    return FontSpec{};
}

Font::Font(const FontSpec& fontSpec) : fontSpec_(fontSpec) {
    if (fontSpec_.face.size() > FontSpec::kMaxFaceLength) {
        fontSpec_.face.resize(FontSpec::kMaxFaceLength);
    }
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
