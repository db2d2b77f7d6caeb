#include "dui/loader/xml_document.h"

#include <algorithm>
#include <string>

#include "dui/loader/xml_shape.h"
#include "platform/debug_sink.h"
#include "platform/text_encoding.h"

namespace tamlo::dui {

bool XmlDocument::parse(std::string_view utf8, std::u16string_view fileName) {
    document_.clear();
    text_.clear();
    if (utf8.size() > kMaxXmlDocumentBytes) {
        debugOutput(u"XML in \"" + std::u16string(fileName) + u"\" is larger than " +
                    utf8ToUtf16(std::to_string(kMaxXmlDocumentBytes)) + u" bytes; refused");
        return false;
    }
    text_.assign(utf8.begin(), utf8.end());
    text_.push_back('\0');
    const XmlShape shape = measureXml(std::string_view(text_.data(), text_.size() - 1));
    if (shape.deepest > kMaxXmlNesting) {
        debugOutput(u"XML in \"" + std::u16string(fileName) + u"\" nested deeper than " +
                    utf8ToUtf16(std::to_string(kMaxXmlNesting)) + u" elements; refused");
        return false;
    }
    if (shape.elements > kMaxXmlElements) {
        debugOutput(u"XML in \"" + std::u16string(fileName) + u"\" has more than " +
                    utf8ToUtf16(std::to_string(kMaxXmlElements)) + u" elements; refused");
        return false;
    }
    try {
        document_.parse<rapidxml::parse_no_entity_translation>(text_.data());
    } catch (const rapidxml::parse_error& error) {
        document_.clear();
        // Where the parser stopped, as line:column of the original text.
        const char* where = error.where<char>();
        std::size_t offset = where != nullptr && where >= text_.data() ? where - text_.data() : 0;
        offset = std::min(offset, utf8.size());
        int line = 1;
        int column = 1;
        for (std::size_t i = 0; i < offset; ++i) {
            if (utf8[i] == '\n') {
                ++line;
                column = 1;
            } else if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
                ++column;
            }
        }
        debugOutput(u"malformed XML in \"" + std::u16string(fileName) + u"\" at " +
                    utf8ToUtf16(std::to_string(line) + ":" + std::to_string(column)) + u": " +
                    utf8ToUtf16(error.what()));
        return false;
    }
    return true;
}

const XmlNode* XmlDocument::firstElement() const {
    return document_.first_node();
}

std::u16string nodeName(const XmlNode& node) {
    return utf8ToUtf16(std::string_view(node.name(), node.name_size()));
}

}  // namespace tamlo::dui
