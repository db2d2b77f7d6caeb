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

std::optional<std::u16string>& processClipboard() {
    static std::optional<std::u16string> text;
    return text;
}

bool clipboardHasText() {
    return backendStarted() ? backend().clipboardHasText() : processClipboard().has_value();
}

bool getClipboardText(std::u16string& out) {
    std::u16string raw;
    if (backendStarted()) {
        if (!backend().clipboardText(raw)) {
            return false;
        }
    } else if (processClipboard()) {
        raw = *processClipboard();
    } else {
        return false;
    }
    out = cleanClipboardText(raw);
    return true;
}

bool setClipboardText(std::u16string_view text) {
    if (backendStarted()) {
        return backend().setClipboardText(cleanClipboardText(text));
    }
    processClipboard() = cleanClipboardText(text);
    return true;
}

}  // namespace tamlo::platform
