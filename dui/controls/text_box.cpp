#include "dui/controls/text_box.h"

#include <algorithm>

#include "dui/controls/text_units.h"
#include "dui/core/host_window.h"
#include "platform/windowing/clipboard.h"
#include "platform/windowing/keyboard_state.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/native_window.h"
#include "platform/windowing/window_constants.h"

namespace tamlo::dui {

using namespace win32;

namespace {

bool controlDown() {
    return platform::isKeyDown(VK_CONTROL);
}

}  // namespace

TextBox::TextBox() {
    setFlags(ControlFlag::RepaintOnMouse | ControlFlag::CaptureOnPress | ControlFlag::FocusOnPress |
                 ControlFlag::DoubleClicks,
             true);
    addHandler(EventCode::Attached, this, &TextBox::onAttached);
    addHandler(EventCode::LButtonDown, this, &TextBox::onLButtonDown);
    addHandler(EventCode::MouseMove, this, &TextBox::onMouseMove);
    addHandler(EventCode::KeyDown, this, &TextBox::onKeyDown);
    addHandler(EventCode::KeyPress, this, &TextBox::onKeyPress);
    addHandler(EventCode::GotFocus, this, &TextBox::onGotFocus);
    addHandler(EventCode::LostFocus, this, &TextBox::onLostFocus);
    addHandler(EventCode::QueryCursor, this, &TextBox::onQueryCursor);
    addHandler(EventCode::LButtonDbClick, this, &TextBox::onDoubleClick);
}

TextBox::~TextBox() = default;

render::CharWidths& TextBox::widths() {
    if (!widths_) {
        widths_ = text::widthsForFont(u"Default");  // the `font` attribute is not read
    }
    return *widths_;
}

int32_t TextBox::widthUpTo(int32_t index) {
    render::CharWidths& measure = widths();
    int32_t sum = 0;
    const std::size_t end = std::min<std::size_t>(static_cast<std::size_t>(index), text_.size());
    for (std::size_t i = 0; i < end; ++i) {
        sum += measure.ofUnit(text_.data(), text_.size(), i);
    }
    return sum;
}

// The boundary nearest to `x` (relative to the text's left edge); half a character
// decides, and the inside of a surrogate pair is never a boundary.
int32_t TextBox::indexAt(int32_t x) {
    render::CharWidths& measure = widths();
    const int32_t target = x + scroll_;
    int32_t sum = 0;
    for (std::size_t i = 0; i < text_.size(); ++i) {
        const int32_t width = measure.ofUnit(text_.data(), text_.size(), i);
        if (width == 0 && text::isLowSurrogate(text_[i]) && i > 0 &&
            text::isHighSurrogate(text_[i - 1])) {
            continue;
        }
        sum += width;
        if (sum >= target) {
            std::size_t after = i + 1;
            if (after < text_.size() && text::isHighSurrogate(text_[i]) &&
                text::isLowSurrogate(text_[after])) {
                ++after;
            }
            return static_cast<int32_t>(sum - width / 2 >= target ? i : after);
        }
    }
    return static_cast<int32_t>(text_.size());
}

void TextBox::valueChanged() {
    raiseEvent(EventCode::ValueChange, Routing::Direct);
}

void TextBox::setText(std::u16string_view text) {
    const std::u16string_view kept = text.substr(0, text::fittingLength(text, kSetTextLimit));
    if (kept == text_) {
        return;
    }
    text_.assign(kept);
    scroll_ = 0;
    valueChanged();
    caret_ = anchor_ = static_cast<int32_t>(text_.size());
    invalidate(false);
    if (focused()) {
        scrollToCaret();  // the window's caret must not stay where the old text had it
    }
}

int32_t TextBox::insert(int32_t index, std::u16string_view characters) {
    const std::size_t room = kCapacity - std::min(kCapacity, text_.size());
    const std::size_t n = text::fittingLength(characters, room);
    text_.insert(static_cast<std::size_t>(index), characters.substr(0, n));
    valueChanged();
    return static_cast<int32_t>(n);
}

void TextBox::erase(int32_t from, int32_t to) {
    const int32_t low = std::min(from, to);
    const int32_t high = std::max(from, to);
    // The text still shown keeps its place.
    scroll_ = std::max(0, scroll_ + widthUpTo(low) - widthUpTo(high));
    text_.erase(static_cast<std::size_t>(low), static_cast<std::size_t>(high - low));
    valueChanged();
}

void TextBox::eraseSelection() {
    if (anchor_ != caret_) {
        const int32_t start = std::min(anchor_, caret_);
        erase(anchor_, caret_);
        caret_ = anchor_ = start;
    }
}

void TextBox::scrollToCaret() {
    const int32_t cx = widthUpTo(caret_);
    const int32_t view = rect().width() - 2 * horizontalPadding_;
    if (cx > scroll_ + view) {
        scroll_ = cx - view;
    } else if (cx < scroll_) {
        scroll_ = cx;
    }
    invalidate(false);
    Rect area;
    if (window() != nullptr && absoluteRect(area)) {
        window()->showCaret(area.left + horizontalPadding_ + cx - scroll_,
                            area.top + verticalPadding_);
    }
}

void TextBox::copySelection() {
    if (anchor_ == caret_) {
        return;
    }
    const auto low = static_cast<std::size_t>(std::min(anchor_, caret_));
    const auto high = static_cast<std::size_t>(std::max(anchor_, caret_));
    platform::setClipboardText(std::u16string_view(text_).substr(low, high - low));
}

void TextBox::paste() {
    std::u16string pasted;
    if (!platform::clipboardHasText() || !platform::getClipboardText(pasted)) {
        return;
    }
    eraseSelection();
    const int32_t inserted = insert(caret_, text::controlCharactersToSpaces(pasted));
    caret_ = anchor_ = caret_ + inserted;
}

Size TextBox::measureContent(int32_t, int32_t) {
    return Size{0, widths().lineHeight() + 2 * verticalPadding_};
}

Size TextBox::arrangeContent(int32_t width, int32_t height) {
    arrangedHeight_ = height;
    if (focused()) {
        scrollToCaret();
    }
    return Size{width, height};
}

// ---- handlers --------------------------------------------------------------------------

void TextBox::onAttached(void* self, Control* sender, Event&) {
    auto* box = static_cast<TextBox*>(self);
    if (sender != box) {
        return;
    }
    box->horizontalPadding_ = 8;
    box->verticalPadding_ = 5;
    std::u16string initial;
    box->getText(key::text, initial);
    box->setText(initial);
}

void TextBox::onLButtonDown(void* self, Control*, Event& event) {
    auto* box = static_cast<TextBox*>(self);
    Rect area;
    if (!box->absoluteRect(area)) {
        return;
    }
    const int32_t index = box->indexAt(platform::pointFromLParam(event.lParam).x - area.left -
                                       box->horizontalPadding_);
    if (index != box->caret_) {
        box->caret_ = index;
        box->scrollToCaret();
    }
    box->anchor_ = box->caret_;
    box->invalidate(false);
    event.handled = 1;
}

void TextBox::onMouseMove(void* self, Control*, Event& event) {
    auto* box = static_cast<TextBox*>(self);
    Rect area;
    if (!box->hasFlags(ControlFlag::Captured) || !box->absoluteRect(area)) {
        return;
    }
    const int32_t w = box->widths().of(u'W');
    const int32_t x =
        std::clamp(platform::pointFromLParam(event.lParam).x - area.left,
                   box->horizontalPadding_ - w, area.width() - box->horizontalPadding_ + w);
    const int32_t index = box->indexAt(x - box->horizontalPadding_);
    if (index != box->caret_) {
        box->caret_ = index;
        box->scrollToCaret();
    }
    box->invalidate(false);
    event.handled = 1;
}

void TextBox::onDoubleClick(void* self, Control*, Event& event) {
    auto* box = static_cast<TextBox*>(self);
    box->anchor_ = 0;
    box->caret_ = static_cast<int32_t>(box->text_.size());
    box->scrollToCaret();
    event.handled = 1;
}

void TextBox::onKeyDown(void* self, Control*, Event& event) {
    auto* box = static_cast<TextBox*>(self);
    event.handled = 1;
    const auto length = static_cast<int32_t>(box->text_.size());
    const std::u16string& text = box->text_;
    switch (static_cast<uint32_t>(event.wParam)) {
        case VK_BACK: {
            if (box->anchor_ == box->caret_) {
                if (box->caret_ == 0) {
                    return;
                }
                box->anchor_ = box->caret_ - 1;
                if (box->anchor_ > 0 && text::isLowSurrogate(text[box->anchor_]) &&
                    text::isHighSurrogate(text[box->anchor_ - 1])) {
                    --box->anchor_;  // a pair goes as one character
                }
            }
            box->eraseSelection();
            break;
        }
        case VK_LEFT:
        case VK_UP:
            if (box->caret_ > 0) {
                --box->caret_;
                if (box->caret_ > 0 && text::isLowSurrogate(text[box->caret_]) &&
                    text::isHighSurrogate(text[box->caret_ - 1])) {
                    --box->caret_;
                }
            }
            box->anchor_ = box->caret_;
            break;
        case VK_RIGHT:
        case VK_DOWN:
            if (box->caret_ < length) {
                ++box->caret_;
                if (box->caret_ < length && text::isLowSurrogate(text[box->caret_]) &&
                    text::isHighSurrogate(text[box->caret_ - 1])) {
                    ++box->caret_;
                }
            }
            box->anchor_ = box->caret_;
            break;
        case 'A':
            if (!controlDown()) {
                return;
            }
            box->anchor_ = 0;
            box->caret_ = length;
            break;
        case 'C':
        case 'X':
            if (!controlDown()) {
                return;
            }
            box->copySelection();
            if (event.wParam == 'X') {
                box->eraseSelection();
            }
            break;
        case 'V':
            if (!controlDown()) {
                return;
            }
            box->paste();
            break;
        default:
            return;
    }
    box->scrollToCaret();
}

void TextBox::onKeyPress(void* self, Control*, Event& event) {
    auto* box = static_cast<TextBox*>(self);
    event.handled = 1;
    const auto character = static_cast<char16_t>(event.wParam);
    if (character < 32) {
        return;
    }
    box->eraseSelection();
    const char16_t units[1] = {character};
    if (text::isHighSurrogate(character) && box->text_.size() + 2 > kCapacity) {
        box->valueChanged();  // its pair would not fit: neither half goes in
        return;
    }
    // A low surrogate that cannot follow its high one (which did not fit) is dropped.
    if (text::isLowSurrogate(character) &&
        (box->caret_ == 0 || !text::isHighSurrogate(box->text_[box->caret_ - 1]))) {
        box->valueChanged();
        return;
    }
    const int32_t inserted = box->insert(box->caret_, std::u16string_view(units, 1));
    box->caret_ = box->anchor_ = box->caret_ + inserted;
    box->scrollToCaret();
}

void TextBox::onGotFocus(void* self, Control*, Event&) {
    auto* box = static_cast<TextBox*>(self);
    if (box->window() == nullptr) {
        return;
    }
    box->window()->setCaretSize(
        1, std::max(box->widths().lineHeight(), box->rect().height() - 2 * box->verticalPadding_));
    box->scrollToCaret();
}

void TextBox::onLostFocus(void* self, Control*, Event&) {
    auto* box = static_cast<TextBox*>(self);
    if (box->window() != nullptr) {
        box->window()->hideCaret();
    }
    box->anchor_ = box->caret_;
    box->invalidate(false);
}

void TextBox::onQueryCursor(void*, Control*, Event& event) {
    platform::setCursor(IDC_IBEAM);
    event.handled = 1;
}

}  // namespace tamlo::dui
