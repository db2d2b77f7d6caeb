#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "dui/core/control.h"
#include "render/char_widths.h"

namespace tamlo::dui {

// The single-line field: a fixed buffer, horizontal scrolling, mouse selection, the
// clipboard and the window's caret. Raises ValueChange at itself at every text change.
class TextBox : public Control {
  public:
    // Typing and pasting fill the buffer up to this many UTF-16 units; setText keeps
    // one fewer. A surrogate pair is never split at either limit.
    static constexpr std::size_t kCapacity = 2000;
    static constexpr std::size_t kSetTextLimit = 1999;

    TextBox();
    ~TextBox() override;
    std::u16string_view getName() const override { return u"TextBox"; }
    // One line of the default font plus the vertical padding above and below.
    Size measureContent(int32_t availableWidth, int32_t availableHeight) override;
    Size arrangeContent(int32_t width, int32_t height) override;
    void paint(DrawingContext& context, const Rect& bounds, const Rect& clip) override;

    void setText(std::u16string_view text);
    const std::u16string& text() const { return text_; }
    int32_t caret() const { return caret_; }
    int32_t anchor() const { return anchor_; }
    int32_t scrollOffset() const { return scroll_; }
    int32_t horizontalPadding() const { return horizontalPadding_; }
    int32_t verticalPadding() const { return verticalPadding_; }

  private:
    static void onAttached(void* self, Control* sender, Event& event);
    static void onLButtonDown(void* self, Control* sender, Event& event);
    static void onMouseMove(void* self, Control* sender, Event& event);
    static void onDoubleClick(void* self, Control* sender, Event& event);
    static void onKeyDown(void* self, Control* sender, Event& event);
    static void onKeyPress(void* self, Control* sender, Event& event);
    static void onGotFocus(void* self, Control* sender, Event& event);
    static void onLostFocus(void* self, Control* sender, Event& event);
    static void onQueryCursor(void* self, Control* sender, Event& event);

    render::CharWidths& widths();
    int32_t widthUpTo(int32_t index);
    int32_t indexAt(int32_t x);
    int32_t insert(int32_t index, std::u16string_view characters);
    void erase(int32_t from, int32_t to);
    void eraseSelection();
    void scrollToCaret();
    void copySelection();
    void paste();
    void valueChanged();
    bool focused() const { return hasFlags(ControlFlag::Focused); }

    int32_t horizontalPadding_ = 0;
    int32_t verticalPadding_ = 0;
    int32_t scroll_ = 0;
    int32_t anchor_ = 0;
    int32_t caret_ = 0;
    int32_t arrangedHeight_ = 0;
    std::u16string text_;
    std::unique_ptr<render::CharWidths> widths_;
};

}  // namespace tamlo::dui
