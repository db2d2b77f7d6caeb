#pragma once

#include <string_view>

namespace tamlo::win32 {

// Whether a file name matches a glob ignoring case: '*' any run, '?' one unit, "[...]"
// one unit of a set (ranges "a-z", negated by a leading '!' or '^'); a '[' without its
// ']' is a plain character, and a '\' makes the next character plain.
bool nameMatches(std::wstring_view pattern, std::wstring_view name);

}  // namespace tamlo::win32
