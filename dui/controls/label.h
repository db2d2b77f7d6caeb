#pragma once

#include <string>
#include <string_view>

#include "dui/core/control.h"

namespace tamlo::dui {

// A single line of text. Transparent to the mouse unless a script clears the bit.
class Label : public Control {
  public:
    Label();
    // The text's single-line extent in the label's font plus `padding`; only the padding
    // without a `text`. The available size plays no part.
    Size measureContent(int32_t availableWidth, int32_t availableHeight) override;
    // One line, centred vertically, aligned by `textAlign`, inset by `padding`.
    void paint(DrawingContext& context, const Rect& bounds, const Rect& clip) override;
};

// A label that takes the mouse: it opens its `url` when clicked.
class LinkLabel : public Label {
  public:
    LinkLabel();

    // Opens a link's address; the shell's opener unless replaced (tests).
    using Opener = void (*)(const std::u16string& url);
    static void setOpener(Opener opener);

  private:
    static void onQueryCursor(void* self, Control* sender, Event& event);
    static void onLButtonDown(void* self, Control* sender, Event& event);
};

}  // namespace tamlo::dui
