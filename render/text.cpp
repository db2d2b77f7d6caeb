#include "render/text.h"

#include "platform/display_scale.h"
#include "render/text_engine.h"

namespace tamlo::render {

using namespace win32;

namespace {

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

PrefixedText resolvePrefixes(std::u16string_view text) {
    PrefixedText out;
    out.text.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'&' || i + 1 == text.size()) {
            out.text += text[i];  // a trailing "&" has nothing to mark and is shown
            continue;
        }
        const char16_t next = text[i + 1];
        if (next == u'&') {
            out.text += u'&';
            ++i;
            continue;
        }
        const size_t length =
            isHighSurrogate(next) && i + 2 < text.size() && isLowSurrogate(text[i + 2]) ? 2 : 1;
        out.underlined.emplace_back(out.text.size(), length);
        out.text.append(text.substr(i + 1, length));
        i += length;
    }
    return out;
}

int32_t drawTextWithCurrent(Canvas& canvas, Rect& rect, std::u16string_view text, uint32_t format) {
    if (canvas.scale() == 1.0 || (format & DT_CALCRECT) != 0) {
        return engineDrawText(&canvas.target(), canvas.clipBounds(), canvas.font(),
                              canvas.textColor(), rect, text, format, textScale());
    }
    // Laid out and drawn in device pixels with the font at the device's size; the height
    // goes back in logical pixels.
    Rect device = canvas.toDevice(rect);
    const int32_t height =
        engineDrawText(&canvas.target(), canvas.clipBounds(), canvas.font(), canvas.textColor(),
                       device, text, format, canvas.scale() * textScale());
    return static_cast<int32_t>(height / canvas.scale() + 0.5);
}

int32_t drawText(Canvas& canvas, Rect& rect, std::u16string_view text, const Font* font,
                 ColorRef color, uint32_t format) {
    const Font* previous = canvas.selectFont(font);
    canvas.setTextColor(color);
    const int32_t height = drawTextWithCurrent(canvas, rect, text, format);
    canvas.selectFont(previous);
    return height;
}

int32_t drawTextVCentered(Canvas& canvas, const Rect& rect, std::u16string_view text,
                          ColorRef color) {
    canvas.setTextColor(color);
    Rect area = rect;
    return drawTextWithCurrent(canvas, area, text, DT_SINGLELINE | DT_VCENTER);
}

Size measureText(const Font* font, std::u16string_view text, uint32_t format) {
    Rect extent{};
    engineDrawText(nullptr, Rect{}, font != nullptr ? *font : Font::defaultGui(), 0, extent, text,
                   format | DT_CALCRECT, textScale());
    return Size{extent.right, extent.bottom};
}

}  // namespace tamlo::render
