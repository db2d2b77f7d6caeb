#pragma once

#include <optional>
#include <string>
#include <string_view>

// The clipboard's text as the engine sees it: UTF-16, never with a lone surrogate (each
// becomes U+FFFD, as invalid UTF-8 does at the desktop's boundary). Goes to the started
// backend; before one starts, to the clipboard of this process. UI thread only.
namespace tamlo::platform {

// IsClipboardFormatAvailable(CF_TEXT).
bool clipboardHasText();
// GetClipboardData(CF_UNICODETEXT), up to its first zero; false when there is no text.
bool getClipboardText(std::u16string& out);
// EmptyClipboard + SetClipboardData(CF_UNICODETEXT).
bool setClipboardText(std::u16string_view text);

// The clipboard of this process alone: what a backend without a desktop clipboard (and
// the window services before any backend starts) keep. Empty until text is set.
std::optional<std::u16string>& processClipboard();

// Replaces every unpaired surrogate by U+FFFD and cuts at the first zero.
std::u16string cleanClipboardText(std::u16string_view text);

}  // namespace tamlo::platform
