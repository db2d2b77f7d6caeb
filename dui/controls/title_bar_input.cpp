#include "dui/controls/static_controls.h"
#include "dui/core/host_window.h"
#include "platform/windowing/messages.h"

namespace tamlo::dui {
namespace {
// The system move command with the caption hit code: the user drags the window.
constexpr std::uintptr_t kMoveFromCaption = 0xF012;
}  // namespace

TitleBar::TitleBar() {
    addHandler(EventCode::LButtonDown, this, &TitleBar::onLButtonDown);
}

void TitleBar::onLButtonDown(void* self, Control*, Event&) {
    auto* bar = static_cast<TitleBar*>(self);
    if (bar->window() != nullptr) {
        bar->window()->sendToWindow(win32::WM_SYSCOMMAND, kMoveFromCaption, 0);
    }
}

}  // namespace tamlo::dui
