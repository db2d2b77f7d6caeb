#include "tools/check/check_text.h"

#include <algorithm>
#include <cctype>

namespace tamlo::check {

TextPosition positionOf(std::string_view text, std::size_t offset) {
    TextPosition position;
    offset = std::min(offset, text.size());
    for (std::size_t i = 0; i < offset; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\n') {
            ++position.line;
            position.column = 1;
        } else if ((byte & 0xC0) != 0x80) {  // continuation bytes belong to their character
            ++position.column;
        }
    }
    return position;
}

namespace {

// Edit distance in half steps: a change of case alone costs 1, any other edit 2.
int distance(std::string_view a, std::string_view b) {
    std::vector<int> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = static_cast<int>(j) * 2;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i) * 2;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const char x = a[i - 1];
            const char y = b[j - 1];
            int change = 0;
            if (x != y) {
                change = std::tolower(static_cast<unsigned char>(x)) ==
                                 std::tolower(static_cast<unsigned char>(y))
                             ? 1
                             : 2;
            }
            const int best = std::min({row[j] + 2, row[j - 1] + 2, diagonal + change});
            diagonal = row[j];
            row[j] = best;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string nearestName(std::string_view name, const std::vector<std::string>& known) {
    std::string best;
    int bestDistance = 0;
    for (const std::string& candidate : known) {
        const int d = distance(name, candidate);
        if (best.empty() || d < bestDistance) {
            best = candidate;
            bestDistance = d;
        }
    }
    // Up to two edits, or a third of the longer name for long ones.
    const int allowed =
        2 * std::max<int>(2, static_cast<int>(std::max(name.size(), best.size())) / 3);
    return !best.empty() && bestDistance <= allowed ? best : std::string();
}

std::string suggestion(std::string_view name, const std::vector<std::string>& known) {
    const std::string nearest = nearestName(name, known);
    return nearest.empty() ? std::string() : " (did you mean \"" + nearest + "\"?)";
}

}  // namespace tamlo::check
