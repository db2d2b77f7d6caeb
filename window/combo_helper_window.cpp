#include "window/combo_helper_window.h"

#include "dui/controls/list_box.h"
#include "dui/core/attribute_keys.h"
#include "dui/layout/simple_panels.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/native_window.h"
#include "platform/windowing/window_constants.h"

namespace tamlo {
namespace {

constexpr int32_t kRow = dui::ComboBox::kRowHeight;
constexpr int32_t kRows = dui::ComboBox::kVisibleRows;
constexpr uint32_t kSlideMs = 100;  // the drop-down slides open over this long

int32_t countItems(dui::ListBox& list) {
    return list.itemCount();
}

std::intptr_t lParamOf(Point p) {
    return static_cast<std::intptr_t>((static_cast<uint32_t>(p.x) & 0xFFFF) |
                                      ((static_cast<uint32_t>(p.y) & 0xFFFF) << 16));
}

bool isButtonPress(uint32_t message) {
    switch (message) {
        case win32::WM_LBUTTONDOWN:
        case win32::WM_LBUTTONDBLCLK:
        case win32::WM_RBUTTONDOWN:
        case win32::WM_RBUTTONDBLCLK:
        case win32::WM_MBUTTONDOWN:
        case win32::WM_MBUTTONDBLCLK:
            return true;
        default:
            return false;
    }
}

void dropQueuedPresses() {
    platform::Message message;
    for (uint32_t press : {win32::WM_LBUTTONDOWN, win32::WM_RBUTTONDOWN, win32::WM_MBUTTONDOWN}) {
        while (
            platform::peekMessage(message, platform::kAnyWindow, press, press, win32::PM_REMOVE)) {
        }
    }
}

}  // namespace

int32_t ComboHelperWnd::popupHeight(int32_t items) {
    const int64_t rows = items < 0 ? 0 : items;
    return rows * kRow <= 136 ? static_cast<int32_t>(rows * kRow + 2 * kFrame)
                              : kRows * kRow + 2 * kFrame;
}

bool ComboHelperWnd::dropsBelow(int32_t items, const Rect& field, int32_t screenHeight) {
    const int64_t rows = items < kRows ? (items < 0 ? 0 : items) : kRows;
    return rows * kRow + field.height() + int64_t{field.top} + 8 < screenHeight;
}

dui::ComboBox::DropDown* ComboHelperWnd::make(dui::ComboBox& owner) {
    return new ComboHelperWnd(owner);
}

void ComboHelperWnd::install() {
    dui::ComboBox::setDropDownFactory(&ComboHelperWnd::make);
}

ComboHelperWnd::ComboHelperWnd(dui::ComboBox& owner) : owner_(&owner), list_(new dui::ListBox()) {
    auto* frame = new dui::Grid();
    frame->setText(dui::key::style, u"ComboDropped_Bkgnd.xml");
    list_->setRect(dui::key::margin, kFrame, kFrame, kFrame, kFrame);
    list_->setInt(dui::key::itemHeight, kRow);
    list_->addHandler(dui::EventCode::Notify, this, &ComboHelperWnd::onListNotify);
    frame->addChild(list_);
    setRoot(frame);
}

ComboHelperWnd::~ComboHelperWnd() {
    *alive_ = false;
    if (dui::ComboBox* owner = owner_) {
        owner_ = nullptr;
        owner->dropDownGone(this);
    }
}

void ComboHelperWnd::ownerGone() {
    owner_ = nullptr;
    closed_ = true;
    if (open_) {
        return;  // the loop ends at its next turn and disposes of the window
    }
    if (handle() != 0) {
        platform::destroyWindow(handle());  // deletes this
    } else {
        delete this;
    }
}

bool ComboHelperWnd::ensureNativeWindow() {
    if (handle() != 0) {
        return true;
    }
    // Owned by the dialog, so the popup goes with it.
    auto* dialog = owner_ == nullptr ? nullptr : dynamic_cast<WindowBase*>(owner_->window());
    if (dialog == nullptr || dialog->handle() == 0) {
        return false;
    }
    dialog_ = dialog->handle();
    return create(win32::WS_EX_TOOLWINDOW, win32::WS_POPUP, 0, 0, 1, 1, dialog_);
}

bool ComboHelperWnd::placeAndShow() {
    Rect field;
    if (owner_ == nullptr || !owner_->absoluteRect(field) || !ensureNativeWindow()) {
        return false;
    }
    auto* dialog = dynamic_cast<WindowBase*>(owner_->window());
    if (dialog == nullptr || dialog->handle() != dialog_) {
        return false;  // the combo box moved to another window than its popup's owner
    }
    const Point topLeft = platform::clientToScreen(dialog_, Point{field.left, field.top});
    const Rect screenField{topLeft.x, topLeft.y, topLeft.x + field.width(),
                           topLeft.y + field.height()};
    const int32_t items = countItems(*list_);
    const int32_t width = field.width();
    const int32_t height = popupHeight(items);
    dropsDown_ = dropsBelow(items, screenField, platform::screenSize().height);
    const int32_t shownRows = items < kRows ? items : kRows;
    const int32_t top =
        dropsDown_ ? screenField.bottom : screenField.top - (shownRows * kRow + 2 * kFrame);

    // The chosen text's row (else the first) starts selected, so keys move on from it.
    if (selectChosenRow() < 0 && items > 0) {
        list_->setSelectedIndex(0, false);
    }
    root()->measure(width, height);
    root()->arrange(Rect{0, 0, width, height});
    platform::moveWindow(handle(), screenField.left, top, width, height);
    if (dui::Control* selected = list_->selectedItem()) {
        list_->ensureVisible(selected);
    }
    platform::animateWindow(handle(), kSlideMs,
                            win32::AW_SLIDE | win32::AW_ACTIVATE |
                                (dropsDown_ ? win32::AW_VER_POSITIVE : win32::AW_VER_NEGATIVE));
    platform::setActiveWindow(handle());
    return true;
}

void ComboHelperWnd::open() {
    if (open_ || owner_ == nullptr) {
        return;
    }
    if (!placeAndShow()) {
        return;
    }
    open_ = true;
    setFocusControl(list_);
    if (!runLoop()) {
        return;  // destroyed with its dialog inside the loop
    }
    open_ = false;
    hide();
    if (owner_ != nullptr) {
        selectChosenRow();  // keys moved the selection, but only a choice counts
    }
    if (owner_ == nullptr) {
        // The combo box went while the list was open.
        platform::destroyWindow(handle());
    }
}

int32_t ComboHelperWnd::selectChosenRow() {
    const std::u16string* text = owner_ == nullptr ? nullptr : owner_->findText(dui::key::text);
    const int32_t items = countItems(*list_);
    int32_t chosen = -1;
    for (int32_t i = 0; text != nullptr && i < items; ++i) {
        const std::u16string* row = list_->itemAt(i)->findText(dui::key::text);
        if (row != nullptr && *row == *text) {
            chosen = i;
            break;
        }
    }
    list_->setSelectedIndex(chosen, false);
    return chosen;
}

void ComboHelperWnd::redirect(platform::Message& message) const {
    const platform::WindowHandle self = handle();
    if (message.window == self) {
        return;
    }
    const uint32_t code = message.message;
    if (code >= win32::WM_MOUSEMOVE && code <= win32::WM_MBUTTONDBLCLK) {
        if (message.window != 0) {
            const Point screen =
                platform::clientToScreen(message.window, platform::pointFromLParam(message.lParam));
            message.lParam = lParamOf(platform::screenToClient(self, screen));
        }
        message.window = self;
    } else if ((code >= win32::WM_KEYFIRST && code <= win32::WM_KEYLAST) ||
               code == win32::WM_MOUSEWHEEL) {
        message.window = self;
    }
}

bool ComboHelperWnd::runLoop() {
    const std::shared_ptr<bool> alive = alive_;
    const platform::WindowHandle self = handle();
    closed_ = false;
    platform::Message message;
    while (!closed_) {
        if (platform::getMessage(message) <= 0) {
            platform::postQuitMessage(static_cast<int>(message.wParam));  // for the loops outside
            break;
        }
        if (message.message == win32::WM_KEYDOWN && message.wParam == win32::VK_ESCAPE) {
            break;  // closed without a choice
        }
        if (isButtonPress(message.message) && message.window != self) {
            break;  // a click elsewhere only closes the list
        }
        redirect(message);
        platform::translateMessage(message);
        platform::dispatchMessage(message);
        if (!*alive) {
            return false;
        }
        if (owner_ == nullptr) {
            break;
        }
        if (platform::activeWindow() != self) {
            // Activation moved on (a click elsewhere activates before its press arrives):
            // that press only closes the list.
            dropQueuedPresses();
            break;
        }
        // endDialog while the list is open: close, and wake the dialog's loop again,
        // whose wake-up this loop took.
        auto* dialog = dynamic_cast<WindowImpl*>(WindowBase::fromHandle(dialog_));
        if (dialog == nullptr) {
            break;
        }
        if (dialog->dialogResult() != 0) {
            platform::postMessage(dialog_, win32::WM_NULL, 0, 0);
            break;
        }
    }
    closed_ = true;
    return true;
}

void ComboHelperWnd::hide() {
    if (handle() != 0) {
        platform::setWindowPos(handle(), 0, 0, 0, 0, 0,
                               win32::SWP_NOSIZE | win32::SWP_NOMOVE | win32::SWP_NOZORDER |
                                   win32::SWP_NOACTIVATE | win32::SWP_HIDEWINDOW);
    }
}

void ComboHelperWnd::onListNotify(void* self, dui::Control*, dui::Event& event) {
    auto* popup = static_cast<ComboHelperWnd*>(self);
    if (event.wParam != dui::ListBox::kItemChosen) {
        return;
    }
    // Closed first: the combo box's ValueChange handlers may end everything.
    popup->closed_ = true;
    if (dui::ComboBox* owner = popup->owner_) {
        owner->choose(popup->list_->selectedText());
    }
}

std::intptr_t ComboHelperWnd::handleMessage(uint32_t message, std::uintptr_t wParam,
                                            std::intptr_t lParam) {
    switch (message) {
        case win32::WM_ACTIVATE:
            if (wParam == win32::WA_ACTIVE && savedFocus() != nullptr) {
                setFocusControl(savedFocus());
            }
            return 0;
        case win32::WM_KILLFOCUS:
            return 0;  // focus is kept
        default:
            return WindowImpl::handleMessage(message, wParam, lParam);
    }
}

}  // namespace tamlo
