#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tamlo::check {

// 1-based line and column of byte `offset` of `text`; columns count characters.
struct TextPosition {
    int line = 1;
    int column = 1;
};
TextPosition positionOf(std::string_view text, std::size_t offset);

// The known name closest to `name` by edit distance (case counts half), or "" when none
// is close enough to be a likely misspelling.
std::string nearestName(std::string_view name, const std::vector<std::string>& known);

// ` (did you mean "X"?)` for the nearest name, or "".
std::string suggestion(std::string_view name, const std::vector<std::string>& known);

}  // namespace tamlo::check
