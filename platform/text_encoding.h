#pragma once

#include <string>
#include <string_view>

namespace tamlo {

// Native text is UTF-16. Lua, XML and file paths are UTF-8; convert at every crossing.
// Invalid input becomes U+FFFD; conversion never fails and never reads past the input.
std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

// The longest leading part of `text` that converts to at most `maxUnits` UTF-16 units
// (a character is never split); `cut`, when given, tells whether any of it was left.
std::u16string utf8ToUtf16Prefix(std::string_view text, size_t maxUnits, bool* cut);

}  // namespace tamlo
