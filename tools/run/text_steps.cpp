#include "tools/run/text_steps.h"

#include "dui/controls/text_input.h"
#include "platform/headless/input.h"
#include "platform/text_encoding.h"
#include "platform/windowing/clipboard.h"
#include "platform/windowing/message_loop.h"
#include "window/window_impl.h"

namespace tamlo::runtool {

bool runTextStep(const ShowStep& step, WindowImpl* window, std::string& why) {
    using Kind = ShowStep::Kind;
    namespace input = platform::headless;
    switch (step.kind) {
        case Kind::SetClipboard:
            if (!platform::setClipboardText(utf8ToUtf16(step.text))) {
                why = "the clipboard refused the text";
                return false;
            }
            return true;
        case Kind::ExpectClipboard: {
            platform::pumpPendingMessages();
            std::u16string text;
            platform::getClipboardText(text);
            if (text != utf8ToUtf16(step.text)) {
                why = "the clipboard holds \"" + utf16ToUtf8(text) + "\"";
                return false;
            }
            return true;
        }
        case Kind::Compose:
            input::compose(utf8ToUtf16(step.text));
            return true;
        case Kind::Commit:
            input::commitComposition(utf8ToUtf16(step.text));
            return true;
        case Kind::ExpectText: {
            platform::pumpPendingMessages();
            dui::Control* control = window != nullptr ? window->controlById(step.id) : nullptr;
            std::u16string text;
            if (auto* box = dynamic_cast<dui::TextBox*>(control)) {
                text = box->text();
            } else if (auto* edit = dynamic_cast<dui::Edit*>(control)) {
                text = edit->text();
            } else {
                why = "no TextBox or Edit with that id";
                return false;
            }
            if (text != utf8ToUtf16(step.text)) {
                why = "the text is \"" + utf16ToUtf8(text) + "\"";
                return false;
            }
            return true;
        }
        default:
            why = "not a text step";
            return false;
    }
}

}  // namespace tamlo::runtool
