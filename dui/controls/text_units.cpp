#include "dui/controls/text_units.h"

#include "dui/style/style_set.h"

namespace tamlo::dui::text {

std::u16string controlCharactersToSpaces(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& unit : out) {
        if (unit < 32) {
            unit = u' ';
        }
    }
    return out;
}

std::unique_ptr<render::CharWidths> widthsForFont(std::u16string_view name) {
    const render::Font* font = nullptr;
    if (StyleSet* styles = StyleSet::current()) {
        font = styles->getFont(name);
        if (font == nullptr) {
            font = styles->getFont(u"Default");
        }
    }
    return std::make_unique<render::CharWidths>(font);
}

}  // namespace tamlo::dui::text
