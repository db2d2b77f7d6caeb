#pragma once

#include <memory>

#include "dui/controls/combo_box.h"
#include "platform/windowing/message_queue.h"
#include "window/window_impl.h"

namespace tamlo {

namespace dui {
class ListBox;
}

// The combo box's drop-down window: a popup tool window owned by the combo box's dialog,
// holding the list in a framed grid. It keeps the keyboard focus of its controls when
// the native window loses focus, so the list stays usable while it is open.
//
// open() runs a loop of its own until a choice, Escape, a click elsewhere (the popup is
// no longer active), a quit (posted again for the loops outside), the dialog's
// endDialog (its wake-up posted again) or the combo box's destruction. The window never
// outlives its combo box (the combo box's destructor disposes of it) nor its dialog (it is
// an owned window, destroyed first with the dialog).
class ComboHelperWnd : public WindowImpl, public dui::ComboBox::DropDown {
  public:
    // Popup height: the rows and the 2-pixel frame, at most six rows.
    static constexpr int32_t kFrame = 2;
    static int32_t popupHeight(int32_t items);
    // Whether a popup of `items` rows fits below a field at `field` (screen coordinates)
    // on a screen `screenHeight` high; otherwise it opens above.
    static bool dropsBelow(int32_t items, const Rect& field, int32_t screenHeight);

    // Installs the factory that gives every combo box one of these.
    static void install();

    explicit ComboHelperWnd(dui::ComboBox& owner);
    ~ComboHelperWnd() override;

    // dui::ComboBox::DropDown
    dui::ListBox* list() override { return list_; }
    void open() override;
    void ownerGone() override;
    bool isOpen() const override { return open_; }

    bool dropsDown() const { return dropsDown_; }

    std::intptr_t handleMessage(uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) override;

  private:
    static dui::ComboBox::DropDown* make(dui::ComboBox& owner);
    static void onListNotify(void* self, dui::Control* sender, dui::Event& event);
    bool ensureNativeWindow();
    // Places, lays out and shows the popup by the field's place on the screen.
    bool placeAndShow();
    // The local loop; false when this object was destroyed inside it.
    bool runLoop();
    void hide();
    // Selects the row showing the combo box's text (none without one); its index or -1.
    int32_t selectChosenRow();
    // Mouse and key messages of other windows go to the popup (mouse points converted).
    void redirect(platform::Message& message) const;

    dui::ComboBox* owner_;
    dui::ListBox* list_;
    platform::WindowHandle dialog_ = 0;
    bool closed_ = true;
    bool dropsDown_ = true;
    bool open_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tamlo
