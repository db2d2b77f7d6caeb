#pragma once

#include <string_view>

namespace tamlo::platform {

// Matches a UTF-8 `name` against a shell glob, ignoring ASCII case as a Windows file search
// does: "*" any run of characters ("/" included), "?" one character (a whole UTF-8
// sequence), "[abc]", "[a-z]" and "[!x]" / "[^x]" one character of a set, "\" makes the next
// character literal. A "[" without its "]" is a literal "[".
bool globMatches(std::string_view pattern, std::string_view name);

}  // namespace tamlo::platform
