#pragma once

#include <string>
#include <string_view>

namespace tamlo::os {

// The lower-case form of UTF-8 text used wherever names compare without case (registry keys
// and value names, program images): ASCII and the system's simple case mapping, independent
// of the process locale.
std::string foldCase(std::string_view utf8);

// Case-insensitive comparison of UTF-8 texts by foldCase. Texts that are not UTF-8 compare
// byte by byte, ignoring ASCII case only (distinct malformed bytes stay distinct).
bool equalsIgnoringCase(const std::string& a, const std::string& b);

}  // namespace tamlo::os
