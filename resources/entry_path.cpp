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
    for (char16_t unit : name) {
        // Another system would take a backslash for a separator; such a name could also
        // never be looked up by scripts, which turn backslashes into '/'.
        if (unit == u'\\') {
            return refuse("the name contains a backslash");
        }
        if (unit < 0x20 || unit == 0x7F) {
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

}  // namespace tamlo
