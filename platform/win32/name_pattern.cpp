#include "platform/win32/name_pattern.h"

#include <windows.h>

#include <string>

namespace tamlo::win32 {
namespace {

std::wstring folded(std::wstring_view text) {
    std::wstring lower(text);
    if (!lower.empty()) {
        CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    }
    return lower;
}

// Matches the set starting at pattern[at] == '[' against `unit`. Returns the index after
// the set's ']', or npos when the set is not closed (then '[' is a plain character).
size_t matchSet(const std::wstring& pattern, size_t at, wchar_t unit, bool* matched) {
    size_t i = at + 1;
    bool negated = i < pattern.size() && (pattern[i] == L'!' || pattern[i] == L'^');
    if (negated) {
        ++i;
    }
    bool found = false;
    bool first = true;
    while (i < pattern.size() && (first || pattern[i] != L']')) {
        first = false;
        wchar_t low = pattern[i];
        if (low == L'\\' && i + 1 < pattern.size()) {
            low = pattern[++i];
        }
        wchar_t high = low;
        if (i + 2 < pattern.size() && pattern[i + 1] == L'-' && pattern[i + 2] != L']') {
            i += 2;
            high = pattern[i];
            if (high == L'\\' && i + 1 < pattern.size()) {
                high = pattern[++i];
            }
        }
        if (unit >= low && unit <= high) {
            found = true;
        }
        ++i;
    }
    if (i >= pattern.size()) {
        return std::wstring::npos;
    }
    *matched = found != negated;
    return i + 1;
}

}  // namespace

bool nameMatches(std::wstring_view patternText, std::wstring_view nameText) {
    const std::wstring pattern = folded(patternText);
    const std::wstring name = folded(nameText);
    size_t p = 0;
    size_t n = 0;
    // Where the last '*' was and how much of the name it has taken so far: on a mismatch
    // that star takes one unit more.
    size_t starPattern = std::wstring::npos;
    size_t starName = 0;
    while (n < name.size()) {
        bool advanced = false;
        if (p < pattern.size()) {
            wchar_t c = pattern[p];
            if (c == L'*') {
                starPattern = ++p;
                starName = n;
                continue;
            }
            if (c == L'?') {
                ++p;
                ++n;
                advanced = true;
            } else if (c == L'[') {
                bool matched = false;
                size_t next = matchSet(pattern, p, name[n], &matched);
                if (next == std::wstring::npos) {
                    if (name[n] == L'[') {
                        ++p;
                        ++n;
                        advanced = true;
                    }
                } else if (matched) {
                    p = next;
                    ++n;
                    advanced = true;
                }
            } else {
                if (c == L'\\' && p + 1 < pattern.size()) {
                    c = pattern[p + 1];
                    if (c == name[n]) {
                        p += 2;
                        ++n;
                        advanced = true;
                    }
                } else if (c == name[n]) {
                    ++p;
                    ++n;
                    advanced = true;
                }
            }
        }
        if (advanced) {
            continue;
        }
        if (starPattern == std::wstring::npos) {
            return false;
        }
        p = starPattern;
        n = ++starName;
    }
    while (p < pattern.size() && pattern[p] == L'*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace tamlo::win32
