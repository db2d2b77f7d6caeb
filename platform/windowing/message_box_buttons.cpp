#include "platform/windowing/message_box_buttons.h"

#include <cstddef>

#include "platform/win32_constants.h"

namespace tamlo::platform {

using namespace tamlo::win32;

std::vector<int> messageBoxButtons(uint32_t type) {
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return {IDOK, IDCANCEL};
        case MB_ABORTRETRYIGNORE:
            return {IDABORT, IDRETRY, IDIGNORE};
        case MB_YESNOCANCEL:
            return {IDYES, IDNO, IDCANCEL};
        case MB_YESNO:
            return {IDYES, IDNO};
        case MB_RETRYCANCEL:
            return {IDRETRY, IDCANCEL};
        case MB_CANCELTRYCONTINUE:
            return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
        default:
            return {IDOK};
    }
}

int messageBoxDefaultAnswer(uint32_t type) {
    std::vector<int> buttons = messageBoxButtons(type);
    std::size_t index = (type & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

}  // namespace tamlo::platform
