#include "platform/windowing/input_method.h"

#include <map>

#include "platform/desktop.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/window_registry.h"

namespace tamlo::platform {
namespace {

struct Composition {
    Rect caret;
    std::u16string preedit;
};

std::map<WindowHandle, Composition>& compositions() {
    static std::map<WindowHandle, Composition> table;
    return table;
}

NativeWindows* natives() {
    return backendStarted() ? backend().nativeWindows() : nullptr;
}

void setPreedit(WindowHandle window, std::u16string_view preedit) {
    Composition& composition = compositions()[window];
    if (composition.preedit == preedit) {
        return;
    }
    composition.preedit = std::u16string(preedit);
    sendMessage(window, win32::WM_IME_COMPOSITION, 0, 0);
}

}  // namespace

void inputMethodCaretPlaced(WindowHandle window, const Rect& caret) {
    compositions()[window].caret = caret;
    if (NativeWindows* native = natives()) {
        native->inputCaretPlaced(window, caret);
    }
}

void inputMethodCaretHidden(WindowHandle window) {
    auto it = compositions().find(window);
    if (it != compositions().end() && !it->second.preedit.empty()) {
        setPreedit(window, u"");
    }
    if (NativeWindows* native = natives()) {
        native->inputCaretHidden(window);
    }
}

void inputMethodComposition(WindowHandle window, std::u16string_view preedit) {
    if (window != 0) {
        setPreedit(window, preedit);
    }
}

void inputMethodCommit(WindowHandle window, std::u16string_view text) {
    if (window != 0) {
        setPreedit(window, u"");
    }
    for (char16_t unit : text) {
        inputCharacter(unit);
    }
}

std::u16string inputMethodPreedit(WindowHandle window) {
    auto it = compositions().find(window);
    return it == compositions().end() ? std::u16string() : it->second.preedit;
}

void inputMethodForget(WindowHandle window) {
    compositions().erase(window);
}

}  // namespace tamlo::platform
