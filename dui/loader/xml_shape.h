#pragma once

#include <cstddef>
#include <string_view>

namespace tamlo::dui {

// No real layout, style or font document comes near these; a document past either is
// refused before it is parsed (the parser recurses once per level of nesting).
constexpr int kMaxXmlNesting = 256;
constexpr std::size_t kMaxXmlElements = 20000;
// A document's size: an entry that decodes to more is refused before it is decoded.
constexpr std::size_t kMaxXmlDocumentBytes = std::size_t{4} << 20;
// An attribute value's UTF-16 units: a longer value is cut (never inside a character).
constexpr std::size_t kMaxXmlValueUnits = 262144;

struct XmlShape {
    int deepest = 0;           // element nesting, the root element being 1
    std::size_t elements = 0;  // start tags, empty ones included
    bool withinLimits() const { return deepest <= kMaxXmlNesting && elements <= kMaxXmlElements; }
};

// Measures a zero-terminated document the way the XML parser will read it, up to the first
// point where the parser would stop with an error (it goes no deeper than that either) or
// where a limit is passed.
XmlShape measureXml(std::string_view text);

}  // namespace tamlo::dui
