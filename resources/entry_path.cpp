#include "resources/entry_path.h"

#include "platform/text_encoding.h"

namespace tamlo {

bool splitSafeEntryPath(std::u16string_view name, std::vector<std::string>* segments,
                        std::string* reason) {
    auto refuse = [reason](const char* why) {
        if (reason != nullptr) {
            *reason = why;
        }
        return false;
    };
    segments->clear();
    if (name.empty()) {
        return refuse("the name is empty");
    }
    if (name.front() == u'/') {
        return refuse("the name is an absolute path");
    }
    for (size_t i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
            ++i;
            continue;
        }
        if (high || low) {
            return refuse("the name contains an unpaired surrogate");
        }
        // Another system would take a backslash for a separator; such a name could also
        // never be looked up by scripts, which turn backslashes into '/'.
        if (unit == u'\\') {
            return refuse("the name contains a backslash");
        }
        if (unit < 0x20 || (unit >= 0x7F && unit <= 0x9F)) {
            return refuse("the name contains a control character");
        }
    }
    size_t start = 0;
    for (;;) {
        size_t slash = name.find(u'/', start);
        std::u16string_view segment =
            name.substr(start, slash == std::u16string_view::npos ? slash : slash - start);
        if (segment.empty()) {
            return refuse("the name has an empty path segment");
        }
        if (segment == u"." || segment == u"..") {
            return refuse("the name has a \".\" or \"..\" segment");
        }
        segments->push_back(utf16ToUtf8(segment));
        if (slash == std::u16string_view::npos) {
            return true;
        }
        start = slash + 1;
    }
}

std::string printableEntryName(std::u16string_view name) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    size_t plainFrom = 0;
    auto flush = [&](size_t upTo) {
        text += utf16ToUtf8(name.substr(plainFrom, upTo - plainFrom));
    };
    for (size_t i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
            ++i;
            continue;
        }
        const bool control = unit < 0x20 || (unit >= 0x7F && unit <= 0x9F);
        const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
        if (!control && !surrogate && unit != u'\\') {
            continue;
        }
        flush(i);
        plainFrom = i + 1;
        if (unit == u'\\') {
            text += "\\\\";
        } else if (control) {
            text += {'\\', 'x', kHex[(unit >> 4) & 15], kHex[unit & 15]};
        } else {
            text += {'\\',
                     'u',
                     kHex[unit >> 12],
                     kHex[(unit >> 8) & 15],
                     kHex[(unit >> 4) & 15],
                     kHex[unit & 15]};
        }
    }
    flush(name.size());
    return text;
}

}  // namespace tamlo
