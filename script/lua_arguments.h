#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct lua_State;

// Argument conversion for script-facing functions. None of these raises a Lua error or
// allocates inside Lua, so they are safe to call while C++ objects are alive.
namespace tamlo::script {

// A number rounded to the nearest integer (halves to even); a string that reads as a number
// is converted first; anything else, and a value outside the 64-bit range, gives 0.
int64_t integerArgument(lua_State* L, int index);

// The integer argument reduced to 32 bits (two's complement), as a Win32 handle or DWORD
// parameter receives it: 2147483648 and -2147483648 both give INT32_MIN.
int32_t int32Argument(lua_State* L, int index);

// An id or index: as integerArgument, but a number that rounds outside the 32-bit range,
// or is not finite, names nothing (false) instead of being reduced to 32 bits.
bool int32IdArgument(lua_State* L, int index, int32_t* out);

// nil and false are false; every other value, 0 included, is true.
bool booleanArgument(lua_State* L, int index);

// A string as is (invalid UTF-8 repaired to U+FFFD), a number in its string form;
// anything else, a missing argument included, gives an empty text. Native text stops at
// the first NUL, as a wide C string would.
std::string utf8TextArgument(lua_State* L, int index);
std::u16string textArgument(lua_State* L, int index);

// The most UTF-16 units a text shown on screen takes from a script (a control's text, a
// title, a message box): far past any real installer's, small enough that laying it out
// stays cheap.
constexpr size_t kMaxShownTextUnits = 262144;

// textArgument for text that is shown: past kMaxShownTextUnits it is cut (never inside a
// character) with a debug line naming `where`.
std::u16string shownTextArgument(lua_State* L, int index, const char* where);

// Pushes a string without letting an allocation failure unwind through the caller's C++
// frames: the push runs under lua_pcall. Returns the number of values pushed (1, or 0
// when the push failed and nothing was left on the stack).
int pushText(lua_State* L, std::string_view utf8);
int pushText(lua_State* L, std::u16string_view text);

}  // namespace tamlo::script
