#include "platform/os/glob_match.h"

#include <cstdint>

#include "platform/text_encoding.h"

namespace tamlo::platform {
namespace {

// The character at `at` as a code point, stepping `at` past it (never past the end). A
// malformed byte stands for itself alone, apart from every character and other byte.
uint32_t nextCharacter(std::string_view text, size_t& at) {
    const size_t start = at;
    const char32_t c = decodeUtf8(text, at);
    if (c != kNotUtf8) {
        return c;
    }
    at = start + 1;
    return 0x110000u + static_cast<unsigned char>(text[start]);
}

uint32_t folded(uint32_t c) {
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

// A bracket expression at pattern[at] ("[" included). True with `at` past its "]" and
// `matched` set; false when it has no closing "]" (then "[" is literal).
bool matchBracket(std::string_view pattern, size_t& at, uint32_t c, bool& matched) {
    size_t i = at + 1;
    bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
    if (negated)
        ++i;
    bool found = false;
    bool first = true;
    while (i < pattern.size() && (pattern[i] != ']' || first)) {
        first = false;
        if (pattern[i] == '\\' && i + 1 < pattern.size())
            ++i;
        uint32_t low = folded(nextCharacter(pattern, i));
        uint32_t high = low;
        if (i + 1 < pattern.size() && pattern[i] == '-' && pattern[i + 1] != ']') {
            ++i;
            if (pattern[i] == '\\' && i + 1 < pattern.size())
                ++i;
            high = folded(nextCharacter(pattern, i));
        }
        if (folded(c) >= low && folded(c) <= high)
            found = true;
    }
    if (i >= pattern.size())
        return false;
    at = i + 1;
    matched = found != negated;
    return true;
}

}  // namespace

bool globMatches(std::string_view pattern, std::string_view name) {
    // Greedy with one backtrack point: the last "*" and where its run ended so far.
    size_t p = 0, n = 0;
    size_t starPattern = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = ++p;
            starName = n;
            continue;
        }
        if (p < pattern.size()) {
            size_t nextName = n;
            uint32_t c = nextCharacter(name, nextName);
            size_t nextPattern = p;
            bool matched = false;
            if (pattern[p] == '?') {
                matched = true;
                ++nextPattern;
            } else if (pattern[p] != '[' || !matchBracket(pattern, nextPattern, c, matched)) {
                if (pattern[nextPattern] == '\\' && nextPattern + 1 < pattern.size()) {
                    ++nextPattern;
                }
                matched = folded(nextCharacter(pattern, nextPattern)) == folded(c);
            }
            if (matched) {
                p = nextPattern;
                n = nextName;
                continue;
            }
        }
        if (starPattern == std::string_view::npos)
            return false;
        // Let the last "*" take one more character and try again from there.
        p = starPattern;
        nextCharacter(name, starName);
        n = starName;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

}  // namespace tamlo::platform
