#include <algorithm>

#include "dui/controls/edit.h"
#include "render/canvas.h"
#include "render/text.h"
#include "render/text_format.h"

namespace tamlo::dui {
namespace {

constexpr render::ColorRef kSelectedTextColor = 0xFFFFFF;
constexpr render::ColorRef kSelectionColor = 0xFF9933;
constexpr uint32_t kLineFormat = win32::DT_SINGLELINE | win32::DT_VCENTER | win32::DT_NOPREFIX;

// A line's characters as drawn: line breaks dropped, a tab as four spaces.
std::u16string shownCharacters(const std::u16string& characters) {
    std::u16string out;
    out.reserve(characters.size());
    for (char16_t c : characters) {
        if (c == u'\t') {
            out.append(u"    ");
        } else if (c != u'\r' && c != u'\n') {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace

void Edit::paint(DrawingContext& context, const Rect& bounds, const Rect& clip) {
    paintStyle(context, bounds);
    auto* canvas = dynamic_cast<render::Canvas*>(&context);
    if (canvas == nullptr || lineHeight_ <= 0) {
        return;
    }
    const Rect textArea{bounds.left + horizontalPadding_, bounds.top + verticalPadding_,
                        bounds.right - horizontalPadding_, bounds.bottom - verticalPadding_};
    const Rect shown = intersection(textArea, clip);
    if (shown.isEmpty()) {
        return;
    }
    const int32_t low = std::min(anchor_, caret_);
    const int32_t high = std::max(anchor_, caret_);
    const render::Font* font = &widths().font();
    canvas->save();
    canvas->clipTo(shown);
    for (int32_t index = first_; index < lineCount(); ++index) {
        const Line& line = lines_[static_cast<std::size_t>(index)];
        const int32_t top = bounds.top + verticalPadding_ + (index - first_) * lineHeight_;
        if (top >= shown.bottom) {
            break;  // the rest starts below the text area or the dirty rect
        }
        const Rect row{textArea.left, top, textArea.right, top + lineHeight_};
        if (row.bottom <= shown.top) {
            continue;
        }
        const char16_t firstChar =
            line.last >= line.first ? blocks_.at(static_cast<std::size_t>(line.first)) : 0;
        if (firstChar == u'\n' || firstChar == u'\r') {
            if (line.first >= low && line.first < high) {
                canvas->fillRect(Rect{row.left, row.top, row.left + averageWidth_, row.bottom},
                                 kSelectionColor);
            }
            continue;
        }
        const std::u16string characters = shownCharacters(blocks_.range(
            static_cast<std::size_t>(line.first), static_cast<std::size_t>(line.last + 1)));
        Rect textRect{row.left, row.top, row.left + widthBetween(line.first, line.last + 1) + 1,
                      row.bottom};
        render::drawText(*canvas, textRect, characters, font, color_, kLineFormat);
        const int32_t from = std::max(low, line.first);
        const int32_t to = std::min(high, line.last + 1);
        if (from < to) {
            const Rect part{row.left + widthBetween(line.first, from), row.top,
                            row.left + widthBetween(line.first, to), row.bottom};
            const Rect selected = intersection(part, shown);
            if (!selected.isEmpty()) {
                canvas->save();
                canvas->clipTo(selected);
                canvas->fillRect(selected, kSelectionColor);
                Rect again{row.left, row.top, textRect.right, row.bottom};
                render::drawText(*canvas, again, characters, font, kSelectedTextColor, kLineFormat);
                canvas->restore();
            }
        }
    }
    canvas->restore();
}

}  // namespace tamlo::dui
