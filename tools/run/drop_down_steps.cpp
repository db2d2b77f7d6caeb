#include "tools/run/drop_down_steps.h"

#include "dui/controls/combo_box.h"
#include "dui/controls/list_box.h"
#include "platform/headless/input.h"
#include "platform/windowing/native_window.h"
#include "window/combo_helper_window.h"

namespace tamlo::runtool {
namespace {

ComboHelperWnd* shownDropDown() {
    for (platform::WindowHandle handle : platform::windowsInZOrder()) {
        auto* popup = dynamic_cast<ComboHelperWnd*>(WindowBase::fromHandle(handle));
        if (popup != nullptr && popup->isOpen() && platform::isWindowVisible(handle)) {
            return popup;
        }
    }
    return nullptr;
}

}  // namespace

platform::WindowHandle openDropDown() {
    ComboHelperWnd* popup = shownDropDown();
    return popup == nullptr ? 0 : popup->handle();
}

bool pickDropDownRow(int32_t row, std::string* why) {
    ComboHelperWnd* popup = shownDropDown();
    if (popup == nullptr) {
        *why = "no drop-down is open";
        return false;
    }
    dui::Control* item = popup->list()->itemAt(row);
    Rect area;
    if (item == nullptr || !item->absoluteRect(area)) {
        *why = "the drop-down has no such row";
        return false;
    }
    const Rect client = platform::clientRect(popup->handle());
    const platform::Point middle{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    if (!client.contains(middle.x, middle.y)) {
        *why = "that row is scrolled out of view";
        return false;
    }
    platform::headless::moveMouseTo(popup->handle(), middle);
    platform::headless::click();
    return true;
}

bool checkSelected(const WindowBase& window, int32_t id, int32_t expected, std::string* why) {
    dui::Control* control = window.controlById(id);
    dui::ListBox* list = dynamic_cast<dui::ListBox*>(control);
    if (auto* combo = dynamic_cast<dui::ComboBox*>(control)) {
        list = combo->list();
    }
    if (list == nullptr) {
        *why = "no list box or combo box with that id";
        return false;
    }
    const int32_t selected = list->selectedIndex();
    if (selected != expected) {
        *why = "row " + std::to_string(selected) + " is selected";
        return false;
    }
    return true;
}

}  // namespace tamlo::runtool
