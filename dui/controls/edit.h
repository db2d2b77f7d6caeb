#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dui/controls/text_blocks.h"
#include "dui/core/control.h"
#include "dui/layout/line_scrolled.h"
#include "render/char_widths.h"

namespace tamlo::dui {

// The multi-line editor: text in blocks, wrapped into visual lines at character
// boundaries, scrolled by whole lines, paging keys, the wheel, the clipboard and the
// window's caret. `texteditable` 0 makes it read-only. Raises no event. Inside a
// ScrollPanel it drives the panel's vertical bar in lines.
class Edit : public Control, public LineScrolled {
  public:
    // How a visual line ends.
    enum class Break : int32_t { Wrapped = 0, LineFeed = 1, CarriageReturn = 2 };
    struct Line {
        int32_t first = 0;  // index of its first character
        int32_t last = -1;  // index of its last character, inclusive
        Break kind = Break::Wrapped;
    };

    Edit();
    ~Edit() override;
    std::u16string_view getName() const override { return u"Edit"; }
    Size arrangeContent(int32_t width, int32_t height) override;
    void paint(DrawingContext& context, const Rect& bounds, const Rect& clip) override;

    void setText(std::u16string_view text);
    std::u16string text() const { return blocks_.text(); }
    const TextBlocks& blocks() const { return blocks_; }
    const std::vector<Line>& lines() const { return lines_; }
    int32_t firstVisibleLine() const { return first_; }
    int32_t visibleLines() const;
    int32_t caret() const { return caret_; }
    int32_t anchor() const { return anchor_; }
    int32_t lineHeight() const { return lineHeight_; }
    bool editable() const { return editable_; }

    int32_t scrollLineCount() const override { return lineCount(); }
    int32_t scrollPageLines() const override { return std::max(1, visibleLines()); }
    int32_t scrollFirstLine() const override { return first_; }
    void scrollToLine(int32_t line) override;

  private:
    static void onAttached(void* self, Control* sender, Event& event);
    static void onLButtonDown(void* self, Control* sender, Event& event);
    static void onMouseMove(void* self, Control* sender, Event& event);
    static void onMouseWheel(void* self, Control* sender, Event& event);
    static void onKeyDown(void* self, Control* sender, Event& event);
    static void onKeyPress(void* self, Control* sender, Event& event);
    static void onGotFocus(void* self, Control* sender, Event& event);
    static void onLostFocus(void* self, Control* sender, Event& event);
    static void onQueryCursor(void* self, Control* sender, Event& event);

    render::CharWidths& widths();
    int32_t textWidth() const { return width_ - 2 * horizontalPadding_; }
    int32_t length() const { return static_cast<int32_t>(blocks_.length()); }
    int32_t lineCount() const { return static_cast<int32_t>(lines_.size()); }

    // --- wrapping (edit_lines.cpp) ---
    void rewrapAll();
    // After the text between `from` and `oldEnd` became `newEnd - from` characters.
    void rewrapChange(int32_t from, int32_t oldEnd, int32_t newEnd);
    // Wraps one line starting at `start`; returns it.
    Line wrapLine(int32_t start);
    void appendFinalLine();
    int32_t lineOf(int32_t index) const;
    // The last caret place on a line (before its line break).
    int32_t lineEnd(const Line& line) const;
    int32_t widthBetween(int32_t from, int32_t to);
    int32_t indexOnLine(int32_t line, int32_t x);
    int32_t indexAtPoint(int32_t x, int32_t y);
    Point pointOf(int32_t index);
    int32_t previousBoundary(int32_t index) const;
    int32_t nextBoundary(int32_t index) const;

    // --- editing (edit.cpp) ---
    void insertAt(int32_t index, std::u16string_view characters);
    void eraseRange(int32_t from, int32_t to);
    void eraseSelection();
    void moveCaret(int32_t index, bool horizontal);
    void limitFirstLine();
    void scrollCaretIntoView();
    void placeCaret();
    bool focused() const { return hasFlags(ControlFlag::Focused); }

    int32_t verticalPadding_ = 5;
    int32_t horizontalPadding_ = 5;
    bool editable_ = true;
    int32_t lineSpacing_ = 0;
    int32_t lineHeight_ = 0;
    int32_t averageWidth_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    uint32_t color_ = 0x666666;
    int32_t first_ = 0;
    int32_t preferredX_ = 0;
    int32_t anchor_ = 0;
    int32_t caret_ = 0;
    TextBlocks blocks_;
    std::vector<Line> lines_;
    std::unique_ptr<render::CharWidths> widths_;
};

}  // namespace tamlo::dui
