#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dui/layout/scroll_panel.h"

namespace tamlo::dui {

class StackPanel;

// A scroll panel whose content is a vertical item panel made by the constructor; the
// items are that panel's children and the selected one has its checked bit set.
//
// A press on an item selects it, raises ValueChange at the list when the selection
// changed and then Notify (wParam kItemChosen) for every press on an item; Return raises
// the same Notify for the selected item. Up and Down move the selection and raise
// ValueChange. The vertical bar's requests move the list by whole steps.
class ListBox : public ScrollPanel {
  public:
    // wParam of the Notify raised at the list when an item is chosen.
    static constexpr uintptr_t kItemChosen = 1;
    // The step of a list without `itemHeight` and without items.
    static constexpr int32_t kDefaultStep = 24;

    ListBox();
    StackPanel* itemPanel() const { return itemPanel_; }

    // The scrolling step: `itemHeight`, else the first item's height, else 24.
    int32_t step() const;

    // --- items ---
    // Appends a text row (a ListItem); its index.
    int32_t addItem(std::u16string_view text);
    // Appends any control as a row (XML children of the list come this way). The list owns it.
    void addItemControl(Control* item);
    // False when there is no such item. Removing the selected item leaves none selected.
    bool removeItem(int32_t index);
    void clearItems();
    int32_t itemCount() const;
    Control* itemAt(int32_t index) const;
    int32_t indexOf(const Control* item) const;  // -1 when it is not an item

    // --- selection ---
    Control* selectedItem() const { return selected_; }
    int32_t selectedIndex() const { return indexOf(selected_); }
    // The selected item's `text`, empty when none.
    std::u16string selectedText() const;
    // Selects `item` (null: none), keeps it in view and repaints; raises ValueChange when
    // `notify` and the selection changed. False when `item` is not an item of the list.
    bool selectItem(Control* item, bool notify);
    // -1 (or any index past the items) clears the selection.
    bool setSelectedIndex(int32_t index, bool notify);
    void ensureVisible(Control* item);

    ScrollBar* createScrollBar() override;
    Size arrangeContent(int32_t width, int32_t height) override;
    // Lays the rows out first when they changed since the last layout.
    void paint(DrawingContext& context, const Rect& bounds, const Rect& clip) override;
    // Rows added or removed since the list was last laid out wait for the next paint or
    // the next use of their places, so filling a shown list costs one layout, not one per row.
    bool layoutPending() const { return layoutPending_; }
    void flushLayout();

  private:
    static void onPrevLButtonDown(void* self, Control* sender, Event& event);
    static void onMouseWheel(void* self, Control* sender, Event& event);
    static void onKeyDown(void* self, Control* sender, Event& event);
    static void onBarNotify(void* self, Control* sender, Event& event);
    // EnsurePosition on the vertical bar, which reports when there is none.
    void scrollTo(int64_t position);
    int32_t barPosition() const;
    // Marks the rows as moved and asks for a repaint, which lays them out.
    void relayout();
    Control* itemAtPoint(Point local) const;
    void postMouseMove();

    StackPanel* itemPanel_;
    Control* selected_ = nullptr;
    bool layoutPending_ = false;
};

}  // namespace tamlo::dui
