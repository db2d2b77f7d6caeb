#include "platform/glob_match.h"

#include <cstdint>

namespace tamlo::platform {
namespace {

// Length of the UTF-8 sequence that starts with `lead`; a stray byte counts as one.
size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

// The character at `at` as a code point, stepping `at` past it (never past the end).
uint32_t nextCharacter(std::string_view text, size_t& at) {
    size_t length = sequenceLength(static_cast<unsigned char>(text[at]));
    if (length > text.size() - at)
        length = 1;
    uint32_t value = static_cast<unsigned char>(text[at]);
    if (length > 1) {
        value &= 0x3Fu >> (length - 1);
        for (size_t i = 1; i < length; ++i) {
            value = (value << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3Fu);
        }
    }
    at += length;
    return value;
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
