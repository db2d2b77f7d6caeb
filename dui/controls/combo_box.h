#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dui/core/control.h"

namespace tamlo::dui {

class ListBox;

// A field that drops down a list of choices in a popup window. Its `text` is the chosen
// item's text; a choice that changes it raises ValueChange at the combo box.
//
// The popup lives in the window floor: it registers a factory here, and the combo box
// makes its drop-down through it the first time it needs its list. Without a factory
// (a control tree outside any window) the list is kept without a popup.
class ComboBox : public Control {
  public:
    // The drop-down a combo box owns. It outlives no combo box: the combo box's
    // destructor calls ownerGone, after which the drop-down disposes of itself (at once,
    // or when its loop ends) and never touches the combo box again. A drop-down that goes
    // first (its window destroyed with the dialog) calls dropDownGone.
    class DropDown {
      public:
        virtual ~DropDown() = default;
        virtual ListBox* list() = 0;
        // Shows the list under (or over) the field and returns when it closes. The combo
        // box may be gone by then.
        virtual void open() = 0;
        virtual void ownerGone() = 0;
        virtual bool isOpen() const = 0;
    };
    using DropDownFactory = DropDown* (*)(ComboBox& owner);
    static void setDropDownFactory(DropDownFactory factory);

    // Rows a drop-down shows before it scrolls, and their height.
    static constexpr int32_t kVisibleRows = 6;
    static constexpr int32_t kRowHeight = 24;

    ComboBox();
    ~ComboBox() override;

    // The list of choices (made on first use).
    ListBox* list();
    DropDown* dropDown();
    bool isDroppedDown() const { return dropDown_ != nullptr && dropDown_->isOpen(); }

    // A choice from the list: a changed text is stored, repainted and raises ValueChange.
    void choose(const std::u16string& text);
    // The script's selection: selects item `index` (-1 none) and shows its text, raising
    // nothing. False when there is no such item.
    bool setSelectedIndex(int32_t index);
    int32_t selectedIndex();

    // Called by a drop-down that is being destroyed before the combo box.
    void dropDownGone(DropDown* dropDown);

    std::u16string styleName() const;
    void paint(DrawingContext& context, const Rect& bounds, const Rect& clip) override;

  private:
    static void onLButtonDown(void* self, Control* sender, Event& event);

    DropDown* dropDown_ = nullptr;
};

}  // namespace tamlo::dui
