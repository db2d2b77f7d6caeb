// Wrapping an Edit's text into visual lines, and the geometry of lines and characters.
#include <algorithm>

#include "dui/controls/edit.h"
#include "dui/controls/text_units.h"

namespace tamlo::dui {

Edit::Line Edit::wrapLine(int32_t start) {
    render::CharWidths& measure = widths();
    const int32_t limit = textWidth();
    TextBlocks::Reader reader(blocks_, static_cast<std::size_t>(start));
    Line line{start, start - 1, Break::Wrapped};
    int32_t sum = 0;
    int32_t index = start;
    const int32_t end = length();
    while (index < end) {
        const char16_t c = reader.peek();
        if (c == u'\n') {
            reader.next();
            line.last = index;
            line.kind = Break::LineFeed;
            return line;
        }
        if (c == u'\r') {
            reader.next();
            line.kind = Break::CarriageReturn;
            line.last = index;
            if (reader.peek() == u'\n') {
                line.last = index + 1;  // the line feed of the pair belongs here too
            }
            return line;
        }
        // A surrogate pair is one character: measured and broken as one.
        int32_t units = 1;
        char32_t character = c;
        if (text::isHighSurrogate(c) && index + 1 < end) {
            TextBlocks::Reader ahead = reader;
            ahead.next();
            const char16_t low = ahead.peek();
            if (text::isLowSurrogate(low)) {
                units = 2;
                character = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (low - 0xDC00);
            }
        }
        const int32_t width = measure.of(character);
        // Before the first arrange there is no width yet: only line breaks end lines.
        if (limit > 0 && sum + width > limit && index > start) {
            return line;  // the character starts the next line
        }
        sum += width;
        for (int32_t i = 0; i < units; ++i) {
            reader.next();
        }
        index += units;
        line.last = index - 1;
    }
    return line;
}

// The empty line after a closing line break, or the one line of an empty text.
void Edit::appendFinalLine() {
    if (lines_.empty() || lines_.back().kind != Break::Wrapped) {
        lines_.push_back(Line{length(), length() - 1, Break::Wrapped});
    }
}

void Edit::rewrapAll() {
    lines_.clear();
    int32_t at = 0;
    while (at < length()) {
        lines_.push_back(wrapLine(at));
        at = lines_.back().last + 1;
    }
    appendFinalLine();
}

void Edit::rewrapChange(int32_t from, int32_t oldEnd, int32_t newEnd) {
    if (lines_.empty()) {
        rewrapAll();
        return;
    }
    const int32_t delta = newEnd - oldEnd;
    // The line before the change may take characters a delete freed.
    int32_t startLine = std::max(0, lineOf(from) - 1);
    std::vector<Line> old(lines_.begin() + startLine, lines_.end());
    lines_.resize(static_cast<std::size_t>(startLine));
    int32_t at = old.front().first;
    std::size_t resume = old.size();  // where the old lines take over again
    while (at < length()) {
        lines_.push_back(wrapLine(at));
        at = lines_.back().last + 1;
        if (at < newEnd) {
            continue;
        }
        // Greedy wrapping depends only on where a line starts: once a new line starts
        // where an old one (shifted) did, the rest is the old lines shifted.
        const int32_t oldStart = at - delta;
        auto it = std::lower_bound(old.begin(), old.end(), oldStart,
                                   [](const Line& l, int32_t v) { return l.first < v; });
        // The empty line after the text belongs only after a line break.
        const bool closing = it != old.end() && it->last < it->first;
        if (it != old.end() && it->first == oldStart && oldStart >= oldEnd &&
            (!closing || lines_.back().kind != Break::Wrapped)) {
            resume = static_cast<std::size_t>(it - old.begin());
            break;
        }
    }
    if (resume < old.size()) {
        for (std::size_t i = resume; i < old.size(); ++i) {
            Line line = old[i];
            line.first += delta;
            line.last += delta;
            lines_.push_back(line);
        }
    } else {
        appendFinalLine();
    }
}

int32_t Edit::lineOf(int32_t index) const {
    auto after = std::upper_bound(lines_.begin(), lines_.end(), index,
                                  [](int32_t v, const Line& l) { return v < l.first; });
    return after == lines_.begin() ? 0 : static_cast<int32_t>(after - lines_.begin()) - 1;
}

int32_t Edit::lineEnd(const Line& line) const {
    switch (line.kind) {
        case Break::LineFeed:
            return line.last;
        case Break::CarriageReturn:
            return line.last > line.first &&
                           blocks_.at(static_cast<std::size_t>(line.last)) == u'\n'
                       ? line.last - 1
                       : line.last;
        default:
            return line.last + 1;
    }
}

int32_t Edit::widthBetween(int32_t from, int32_t to) {
    render::CharWidths& measure = widths();
    TextBlocks::Reader reader(blocks_, static_cast<std::size_t>(std::max(0, from)));
    int32_t sum = 0;
    char16_t previous = 0;
    for (int32_t i = from; i < to && i < length(); ++i) {
        const char16_t c = reader.next();
        if (text::isLowSurrogate(c) && text::isHighSurrogate(previous)) {
            previous = c;
            continue;
        }
        if (text::isHighSurrogate(c) && text::isLowSurrogate(reader.peek())) {
            sum += measure.of(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                              (reader.peek() - 0xDC00));
        } else {
            sum += measure.of(c);
        }
        previous = c;
    }
    return sum;
}

// The boundary on `line` nearest to `x` (pixels from the text's left edge).
int32_t Edit::indexOnLine(int32_t lineIndex, int32_t x) {
    const Line& line = lines_[static_cast<std::size_t>(lineIndex)];
    const int32_t end = lineEnd(line);
    int32_t sum = 0;
    int32_t index = line.first;
    while (index < end) {
        const int32_t step = nextBoundary(index) - index;
        const int32_t width = widthBetween(index, index + step);
        if (sum + width >= x) {
            return sum + width / 2 >= x ? index : std::min(end, index + step);
        }
        sum += width;
        index += step;
    }
    return end;
}

int32_t Edit::indexAtPoint(int32_t x, int32_t y) {
    if (lines_.empty() || lineHeight_ <= 0) {
        return 0;
    }
    const int32_t line =
        std::clamp((first_ * lineHeight_ + y - verticalPadding_) / lineHeight_, 0, lineCount() - 1);
    return indexOnLine(line, x - horizontalPadding_);
}

Point Edit::pointOf(int32_t index) {
    const int32_t line = lineOf(index);
    const int32_t first = lines_.empty() ? 0 : lines_[static_cast<std::size_t>(line)].first;
    return Point{horizontalPadding_ + widthBetween(first, index),
                 (line - first_) * lineHeight_ + verticalPadding_};
}

int32_t Edit::previousBoundary(int32_t index) const {
    if (index <= 0) {
        return 0;
    }
    const char16_t before = blocks_.at(static_cast<std::size_t>(index - 1));
    if (index >= 2) {
        const char16_t twoBefore = blocks_.at(static_cast<std::size_t>(index - 2));
        if ((before == u'\n' && twoBefore == u'\r') ||
            (text::isLowSurrogate(before) && text::isHighSurrogate(twoBefore))) {
            return index - 2;
        }
    }
    return index - 1;
}

int32_t Edit::nextBoundary(int32_t index) const {
    if (index >= length()) {
        return length();
    }
    const char16_t here = blocks_.at(static_cast<std::size_t>(index));
    if (index + 1 < length()) {
        const char16_t after = blocks_.at(static_cast<std::size_t>(index + 1));
        if ((here == u'\r' && after == u'\n') ||
            (text::isHighSurrogate(here) && text::isLowSurrogate(after))) {
            return index + 2;
        }
    }
    return index + 1;
}

}  // namespace tamlo::dui
