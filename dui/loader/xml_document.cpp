#include "dui/loader/xml_document.h"

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
        debugOutput(u"malformed XML in \"" + std::u16string(fileName) + u"\": " +
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
