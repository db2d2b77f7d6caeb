#pragma once

#include <cstdint>
#include <string>

namespace tamlo::render {

// A font as a LOGFONT would describe it. `height` < 0 is the character height in pixels,
// > 0 the cell height; 0 takes the default height.
struct FontSpec {
    static constexpr size_t kMaxFaceLength = 31;

    std::u16string face = u"Sans";
    int32_t height = -12;
    int32_t weight = 400;
    bool underline = false;
};

// The default GUI font: "Sans", -12 px, weight 400.
FontSpec defaultGuiFontSpec();

// An immutable font made from a FontSpec (a face longer than 31 characters is cut).
class Font {
  public:
    explicit Font(const FontSpec& fontSpec);
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const FontSpec& fontSpec() const { return fontSpec_; }
    bool underline() const { return fontSpec_.underline; }
    // The character height in pixels the text engine is asked for.
    int32_t pixelSize() const;

    // The shared default GUI font.
    static const Font& defaultGui();

  private:
    FontSpec fontSpec_;
};

}  // namespace tamlo::render
