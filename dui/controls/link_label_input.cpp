#include "dui/controls/label.h"
#include "dui/core/attribute_keys.h"
#include "platform/os/shell_execute.h"
#include "platform/text_encoding.h"
#include "platform/windowing/native_window.h"
#include "platform/windowing/window_constants.h"

namespace tamlo::dui {
namespace {

// The desktop's opener for addresses; nothing waits for it.
void openWithShell(const std::u16string& url) {
    shell::shellExecute(utf16ToUtf8(url), std::string(), "open", 0);
}

LinkLabel::Opener gOpener = &openWithShell;

}  // namespace

void LinkLabel::setOpener(Opener opener) {
    gOpener = opener != nullptr ? opener : &openWithShell;
}

void LinkLabel::onQueryCursor(void*, Control*, Event& event) {
    platform::setCursor(win32::IDC_HAND);
    event.handled = 1;
}

void LinkLabel::onLButtonDown(void* self, Control*, Event& event) {
    auto* link = static_cast<LinkLabel*>(self);
    std::u16string url;
    if (link->getText(key::url, url) && !url.empty()) {
        gOpener(url);
    }
    event.handled = 1;
}

}  // namespace tamlo::dui
