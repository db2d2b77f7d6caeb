#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <rapidxml/rapidxml.hpp>

namespace tamlo::dui {

using XmlNode = rapidxml::xml_node<char>;

// A layout, style or font document: UTF-8 text parsed in place over a private copy, so
// multi-byte characters are never mistaken for markup. Attribute values are taken
// literally (no entity translation).
class XmlDocument {
  public:
    // False when the text is not well-formed or passes the nesting or element limits
    // (xml_shape.h); a debug line then names `fileName` and the reason, and nothing is thrown.
    bool parse(std::string_view utf8, std::u16string_view fileName);
    // The document's first element, or null.
    const XmlNode* firstElement() const;

  private:
    std::vector<char> text_;
    rapidxml::xml_document<char> document_;
};

// A node's name and an attribute's value as native text.
std::u16string nodeName(const XmlNode& node);

}  // namespace tamlo::dui
