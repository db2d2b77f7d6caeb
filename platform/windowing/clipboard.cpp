#include "platform/windowing/clipboard.h"

#include "platform/backend.h"

namespace tamlo::platform {

std::u16string cleanClipboardText(std::u16string_view text) {
    std::u16string clean;
    clean.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit == 0) {
            break;
        }
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            clean.push_back(unit);
            clean.push_back(text[++i]);
        } else if (high || low) {
            clean.push_back(u'\uFFFD');
        } else {
            clean.push_back(unit);
        }
    }
    return clean;
}

bool clipboardHasText() {
    return backendStarted() && backend().clipboardHasText();
}

bool getClipboardText(std::u16string& out) {
    std::u16string raw;
    if (!backendStarted() || !backend().clipboardText(raw)) {
        return false;
    }
    out = cleanClipboardText(raw);
    return true;
}

bool setClipboardText(std::u16string_view text) {
    return backendStarted() && backend().setClipboardText(cleanClipboardText(text));
}

}  // namespace tamlo::platform
