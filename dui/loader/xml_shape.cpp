#include "dui/loader/xml_shape.h"

#include <cstring>

namespace tamlo::dui {
namespace {

// These follow the parser's own character classes exactly: where the two disagreed, a
// document could look shallow here and still recurse without bound there.
bool isSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

bool isNameChar(char c) {
    return c != '\0' && !isSpace(c) && c != '/' && c != '>' && c != '?';
}

// Quotes are name characters here too: only after '=' does a quote open a value.
bool isAttributeNameChar(char c) {
    return isNameChar(c) && c != '<' && c != '=' && c != '!';
}

class Scanner {
  public:
    explicit Scanner(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

    XmlShape run() {
        skipBom();
        for (;;) {
            skipSpace();
            if (atEnd()) {
                return shape_;
            }
            if (*p_ != '<' || !node()) {
                return shape_;
            }
        }
    }

  private:
    bool atEnd() const { return p_ >= end_ || *p_ == '\0'; }
    char at(std::size_t offset) const { return p_ + offset < end_ ? p_[offset] : '\0'; }
    void skipSpace() {
        while (!atEnd() && isSpace(*p_)) {
            ++p_;
        }
    }
    void skipBom() {
        if (end_ - p_ >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) {
            p_ += 3;
        }
    }
    // Moves past `terminator`; false when the text ends first.
    bool skipPast(const char* terminator) {
        const std::size_t n = std::strlen(terminator);
        for (; !atEnd(); ++p_) {
            if (static_cast<std::size_t>(end_ - p_) >= n && std::memcmp(p_, terminator, n) == 0) {
                p_ += n;
                return true;
            }
        }
        return false;
    }
    bool startsWith(const char* prefix) const {
        const std::size_t n = std::strlen(prefix);
        return static_cast<std::size_t>(end_ - p_) >= n && std::memcmp(p_, prefix, n) == 0;
    }

    // At '<'. False where the parser would stop: at an error, or past a limit.
    bool node() {
        const char next = at(1);
        if (next == '?') {
            p_ += 2;
            return skipPast("?>");
        }
        if (next == '!') {
            if (startsWith("<!--")) {
                p_ += 4;
                return skipPast("-->");
            }
            if (startsWith("<![CDATA[")) {
                p_ += 9;
                return skipPast("]]>");
            }
            if (startsWith("<!DOCTYPE") && isSpace(at(9))) {
                p_ += 9;
                return doctype();
            }
            p_ += 2;
            return skipPast(">");
        }
        return element();
    }

    bool doctype() {
        int brackets = 0;
        for (; !atEnd(); ++p_) {
            if (*p_ == '[') {
                ++brackets;
            } else if (*p_ == ']' && brackets > 0) {
                --brackets;  // outside brackets the parser takes ']' as any other character
            } else if (*p_ == '>' && brackets == 0) {
                ++p_;
                return true;
            }
        }
        return false;
    }

    bool element() {
        ++p_;  // '<'
        const char* name = p_;
        while (!atEnd() && isNameChar(*p_)) {
            ++p_;
        }
        if (p_ == name) {
            return false;
        }
        ++shape_.elements;
        skipSpace();
        while (!atEnd() && isAttributeNameChar(*p_)) {
            while (!atEnd() && isAttributeNameChar(*p_)) {
                ++p_;
            }
            skipSpace();
            if (atEnd() || *p_ != '=') {
                return false;
            }
            ++p_;
            skipSpace();
            if (atEnd() || (*p_ != '"' && *p_ != '\'')) {
                return false;
            }
            const char quote = *p_++;
            while (!atEnd() && *p_ != quote) {
                ++p_;
            }
            if (atEnd()) {
                return false;
            }
            ++p_;
            skipSpace();
        }
        if (at(0) == '/' && at(1) == '>') {
            p_ += 2;
            if (depth_ + 1 > shape_.deepest) {
                shape_.deepest = depth_ + 1;  // an empty element nests like any other
            }
            return shape_.withinLimits();
        }
        if (atEnd() || *p_ != '>') {
            return false;
        }
        ++p_;
        if (++depth_ > shape_.deepest) {
            shape_.deepest = depth_;
        }
        if (!shape_.withinLimits()) {
            return false;
        }
        return contents();
    }

    // After an element's start tag, up to and past its end tag.
    bool contents() {
        for (;;) {
            while (!atEnd() && *p_ != '<') {
                ++p_;
            }
            if (atEnd()) {
                return false;
            }
            if (at(1) == '/') {
                p_ += 2;
                while (!atEnd() && isNameChar(*p_)) {
                    ++p_;
                }
                skipSpace();
                if (atEnd() || *p_ != '>') {
                    return false;
                }
                ++p_;
                --depth_;
                return true;
            }
            if (!node()) {
                return false;
            }
        }
    }

    const char* p_;
    const char* end_;
    int depth_ = 0;
    XmlShape shape_;
};

}  // namespace

XmlShape measureXml(std::string_view text) {
    return Scanner(text).run();
}

}  // namespace tamlo::dui
