#pragma once

#include <string>
#include <string_view>

namespace tamlo {

// Native text is UTF-16. Lua, XML and file paths are UTF-8; convert at every crossing.
// Invalid input becomes U+FFFD; conversion never fails and never reads past the input.
std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

// What decodeUtf8 gives for a malformed sequence.
constexpr char32_t kNotUtf8 = 0xFFFFFFFF;
// The code point starting at text[at] (at < text.size()), stepping `at` past it. A stray
// byte, an overlong form, a surrogate, a value past U+10FFFF or a sequence cut short gives
// kNotUtf8 and steps past the bytes read so far (at least one).
char32_t decodeUtf8(std::string_view text, size_t& at);

// Appends one code point as UTF-16 (a surrogate pair above U+FFFF).
void appendUtf16(std::u16string& out, char32_t c);

// Strict UTF-8 to UTF-16: false when `text` holds a malformed sequence.
bool utf8ToUtf16Strict(std::string_view text, std::u16string& out);

// The longest leading part of `text` that converts to at most `maxUnits` UTF-16 units
// (a character is never split); `cut`, when given, tells whether any of it was left.
std::u16string utf8ToUtf16Prefix(std::string_view text, size_t maxUnits, bool* cut);

}  // namespace tamlo
