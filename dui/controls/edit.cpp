#include "dui/controls/edit.h"

#include <algorithm>

#include "dui/controls/text_units.h"
#include "dui/core/host_window.h"
#include "dui/layout/scroll_panel.h"
#include "platform/windowing/clipboard.h"
#include "platform/windowing/keyboard_state.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/native_window.h"
#include "platform/windowing/window_constants.h"

namespace tamlo::dui {

using namespace win32;

Edit::Edit() {
    setFlags(ControlFlag::RepaintOnMouse | ControlFlag::CaptureOnPress | ControlFlag::FocusOnPress,
             true);
    addHandler(EventCode::Attached, this, &Edit::onAttached);
    addHandler(EventCode::LButtonDown, this, &Edit::onLButtonDown);
    addHandler(EventCode::MouseMove, this, &Edit::onMouseMove);
    addHandler(EventCode::MouseWheel, this, &Edit::onMouseWheel);
    addHandler(EventCode::KeyDown, this, &Edit::onKeyDown);
    addHandler(EventCode::KeyPress, this, &Edit::onKeyPress);
    addHandler(EventCode::GotFocus, this, &Edit::onGotFocus);
    addHandler(EventCode::LostFocus, this, &Edit::onLostFocus);
    addHandler(EventCode::QueryCursor, this, &Edit::onQueryCursor);
    lines_.push_back(Line{});
}

Edit::~Edit() = default;

render::CharWidths& Edit::widths() {
    if (!widths_) {
        const std::u16string* font = findText(key::font);
        widths_ = text::widthsForFont(font != nullptr ? std::u16string_view(*font) : u"Default");
        lineHeight_ = widths_->lineHeight() + lineSpacing_;
        averageWidth_ = widths_->averageWidth();
    }
    return *widths_;
}

int32_t Edit::visibleLines() const {
    return lineHeight_ > 0 ? std::max(0, (height_ - 2 * verticalPadding_) / lineHeight_) : 0;
}

void Edit::setText(std::u16string_view text) {
    blocks_.assign(text);
    first_ = 0;
    caret_ = anchor_ = 0;
    preferredX_ = 0;
    lines_.assign(1, Line{});
    if (isAlive()) {
        widths();
        rewrapAll();
        limitFirstLine();
        invalidate(false);
        placeCaret();  // at the start of the new text
    }
}

Size Edit::arrangeContent(int32_t width, int32_t height) {
    const bool rewrap = width != width_;
    width_ = width;
    height_ = height;
    if (rewrap && isAlive()) {
        rewrapAll();
    }
    limitFirstLine();
    return Size{width, height};
}

// ---- editing ----------------------------------------------------------------------------

void Edit::insertAt(int32_t index, std::u16string_view characters) {
    const auto inserted =
        static_cast<int32_t>(blocks_.insert(static_cast<std::size_t>(index), characters));
    if (inserted > 0) {
        rewrapChange(index, index, index + inserted);
    }
    caret_ = anchor_ = index + inserted;
}

void Edit::eraseRange(int32_t from, int32_t to) {
    if (from >= to) {
        return;
    }
    blocks_.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(to));
    rewrapChange(from, to, from);
    caret_ = anchor_ = from;
}

void Edit::eraseSelection() {
    eraseRange(std::min(anchor_, caret_), std::max(anchor_, caret_));
}

// The first visible line stays within the text; read-only text never scrolls past
// its last page.
void Edit::limitFirstLine() {
    first_ = std::min(first_, lineCount() - 1);
    if (!editable_) {
        first_ = std::min(first_, lineCount() - visibleLines());
    }
    first_ = std::max(first_, 0);
    if (auto* panel = dynamic_cast<ScrollPanel*>(parent())) {
        panel->lineContentScrolled();  // its bar follows
    }
}

void Edit::scrollToLine(int32_t line) {
    if (line == first_) {
        return;
    }
    first_ = line;
    limitFirstLine();
    placeCaret();
    invalidate(false);
}

void Edit::scrollCaretIntoView() {
    const int32_t line = lineOf(caret_);
    const int32_t visible = std::max(1, visibleLines());
    if (line < first_) {
        first_ = line;
    } else if (line >= first_ + visible) {
        first_ = line - visible + 1;
    }
    limitFirstLine();
}

// Shows the caret where it is when its line is on view, hides it otherwise.
void Edit::placeCaret() {
    if (!focused() || window() == nullptr) {
        return;
    }
    const int32_t line = lineOf(caret_);
    Rect area;
    if (line < first_ || line >= first_ + std::max(1, visibleLines()) || !absoluteRect(area)) {
        window()->hideCaret();
        return;
    }
    const Point at = pointOf(caret_);
    window()->showCaret(area.left + at.x, area.top + at.y);
}

void Edit::moveCaret(int32_t index, bool horizontal) {
    index = std::clamp(index, 0, length());
    caret_ = anchor_ = index;
    scrollCaretIntoView();
    if (horizontal) {
        preferredX_ = pointOf(caret_).x - horizontalPadding_;
    }
    placeCaret();
    invalidate(false);
}

// ---- handlers ---------------------------------------------------------------------------

void Edit::onAttached(void* self, Control* sender, Event&) {
    auto* edit = static_cast<Edit*>(self);
    if (sender != edit) {
        return;
    }
    edit->lineSpacing_ = edit->getInt(key::textspace, 0);
    Size padding{5, 5};
    edit->getSize(key::textpadding, padding);
    edit->horizontalPadding_ = padding.width;
    edit->verticalPadding_ = padding.height;
    edit->editable_ = edit->getInt(key::texteditable, 1) != 0;
    edit->color_ = static_cast<uint32_t>(edit->getInt(key::color, 0x666666));
    edit->widths_.reset();
    edit->widths();
    edit->width_ = edit->rect().width();
    edit->height_ = edit->rect().height();
    std::u16string initial;
    edit->getText(key::text, initial);
    edit->setText(initial);
}

void Edit::onLButtonDown(void* self, Control*, Event& event) {
    auto* edit = static_cast<Edit*>(self);
    Rect area;
    if (!edit->absoluteRect(area)) {
        return;
    }
    const int32_t bottom =
        edit->verticalPadding_ + std::max(1, edit->visibleLines()) * edit->lineHeight_ - 1;
    const int32_t y = std::clamp(platform::pointFromLParam(event.lParam).y - area.top,
                                 edit->verticalPadding_, bottom);
    edit->moveCaret(edit->indexAtPoint(platform::pointFromLParam(event.lParam).x - area.left, y),
                    true);
    event.handled = 1;
}

void Edit::onMouseMove(void* self, Control*, Event& event) {
    auto* edit = static_cast<Edit*>(self);
    Rect area;
    if (!edit->hasFlags(ControlFlag::Captured) || !edit->absoluteRect(area)) {
        return;
    }
    const int32_t y =
        std::clamp(platform::pointFromLParam(event.lParam).y - area.top, edit->verticalPadding_ - 1,
                   edit->verticalPadding_ + edit->visibleLines() * edit->lineHeight_ + 1);
    const int32_t x =
        std::clamp(platform::pointFromLParam(event.lParam).x - area.left, edit->horizontalPadding_,
                   edit->horizontalPadding_ + edit->textWidth());
    const int32_t index = edit->indexAtPoint(x, y);
    if (index != edit->caret_) {
        edit->caret_ = index;  // the anchor stays: the selection grows
        edit->scrollCaretIntoView();
        edit->placeCaret();
        edit->invalidate(false);
    }
    event.handled = 1;
}

void Edit::onMouseWheel(void* self, Control*, Event& event) {
    auto* edit = static_cast<Edit*>(self);
    if (!edit->focused()) {
        return;
    }
    const auto delta = platform::signedHighWord(event.wParam);
    edit->first_ = std::clamp(edit->first_ + delta / -40, 0, std::max(0, edit->lineCount() - 1));
    edit->limitFirstLine();
    edit->placeCaret();
    edit->invalidate(false);
    event.handled = 1;
}

void Edit::onKeyDown(void* self, Control*, Event& event) {
    auto* edit = static_cast<Edit*>(self);
    const bool control = platform::isKeyDown(VK_CONTROL);
    const int32_t visible = std::max(1, edit->visibleLines());
    const int32_t caretLine = edit->lineOf(edit->caret_);
    const int32_t lastLine = edit->lineCount() - 1;
    auto toLine = [edit](int32_t line) {
        edit->moveCaret(edit->indexOnLine(line, edit->preferredX_), false);
    };
    event.handled = 1;
    switch (static_cast<uint32_t>(event.wParam)) {
        case VK_BACK:
            if (!edit->editable_) {
                return;
            }
            if (edit->anchor_ == edit->caret_) {
                edit->anchor_ = edit->previousBoundary(edit->caret_);  // CR LF as one
            }
            edit->eraseSelection();
            edit->moveCaret(edit->caret_, true);
            return;
        case VK_ESCAPE:
            edit->moveCaret(edit->caret_, false);
            return;
        case VK_PRIOR:
            edit->first_ = std::max(0, edit->first_ - visible);
            edit->limitFirstLine();
            toLine(std::max(0, caretLine - visible));
            return;
        case VK_NEXT:
            edit->first_ = std::min(lastLine, edit->first_ + visible);
            edit->limitFirstLine();
            toLine(std::min(lastLine, caretLine + visible));
            return;
        case VK_END:
            edit->first_ = lastLine;
            edit->limitFirstLine();
            edit->moveCaret(edit->length(), true);
            return;
        case VK_HOME:
            edit->first_ = 0;
            edit->moveCaret(0, true);
            return;
        case VK_LEFT:
            edit->moveCaret(edit->previousBoundary(edit->caret_), true);
            return;
        case VK_RIGHT:
            edit->moveCaret(edit->nextBoundary(edit->caret_), true);
            return;
        case VK_UP:
            toLine(std::max(0, caretLine - 1));
            return;
        case VK_DOWN:
            toLine(std::min(lastLine, caretLine + 1));
            return;
        default:
            break;
    }
    if (!control) {
        return;
    }
    const int32_t low = std::min(edit->anchor_, edit->caret_);
    const int32_t high = std::max(edit->anchor_, edit->caret_);
    switch (static_cast<uint32_t>(event.wParam)) {
        case 'A':
            edit->anchor_ = 0;
            edit->caret_ = edit->length();
            edit->scrollCaretIntoView();
            edit->placeCaret();
            edit->invalidate(false);
            break;
        case 'C':
        case 'X':
            if (!edit->editable_ || low == high) {
                return;
            }
            platform::setClipboardText(
                edit->blocks_.range(static_cast<std::size_t>(low), static_cast<std::size_t>(high)));
            if (event.wParam == 'X') {
                edit->eraseSelection();
                edit->moveCaret(edit->caret_, true);
            }
            break;
        case 'V': {
            std::u16string pasted;
            if (!edit->editable_ || !platform::clipboardHasText() ||
                !platform::getClipboardText(pasted)) {
                return;
            }
            edit->eraseSelection();
            edit->insertAt(edit->caret_, pasted);  // control characters kept
            edit->moveCaret(edit->caret_, true);
            break;
        }
        default:
            break;
    }
}

void Edit::onKeyPress(void* self, Control*, Event& event) {
    auto* edit = static_cast<Edit*>(self);
    event.handled = 1;
    if (!edit->editable_) {
        return;
    }
    const auto character = static_cast<char16_t>(event.wParam);
    if (character < 32 && character != u'\r') {
        return;
    }
    edit->eraseSelection();
    if (character == u'\r') {
        edit->insertAt(edit->caret_, u"\r\n");
    } else {
        const char16_t unit[1] = {character};
        edit->insertAt(edit->caret_, std::u16string_view(unit, 1));
    }
    edit->moveCaret(edit->caret_, true);
}

void Edit::onGotFocus(void* self, Control*, Event&) {
    auto* edit = static_cast<Edit*>(self);
    if (edit->window() != nullptr) {
        edit->window()->setCaretSize(1, edit->lineHeight_);
        edit->placeCaret();
    }
}

void Edit::onLostFocus(void* self, Control*, Event&) {
    auto* edit = static_cast<Edit*>(self);
    if (edit->window() != nullptr) {
        edit->window()->hideCaret();
    }
}

void Edit::onQueryCursor(void* self, Control*, Event& event) {
    if (static_cast<Edit*>(self)->isEnabled()) {
        platform::setCursor(IDC_IBEAM);
        event.handled = 1;
    }
}

}  // namespace tamlo::dui
