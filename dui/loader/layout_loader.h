#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dui/core/control.h"
#include "dui/loader/xml_document.h"

namespace tamlo::dui {

// Reads the bytes of a layout document by name; false when there is no such document.
using LayoutSource = std::function<bool(std::u16string_view name, std::string& bytes)>;

// Replaces where layouts are read from; an empty source restores the default, the UI
// context's layout package. Returns the previous source.
LayoutSource setLayoutSource(LayoutSource source);

// The bytes of a document of the layout package (or of the source set above) by name;
// false when there is none.
bool readLayoutFile(std::u16string_view name, std::string& bytes);

// The tree of the named layout, unattached and owned by the caller; null when the
// document is missing, malformed, has no element or an unknown root element.
Control* loadLayout(std::u16string_view fileName);

// The same for a document already in memory.
Control* buildLayout(std::string_view utf8, std::u16string_view fileName);

// One element and its subtree, depth-first: attributes before children. Unknown element
// names yield null and their subtree is skipped. A "TabItem" keeps only its first child,
// as its page; children of a control that is neither a panel nor a tab item are skipped.
Control* buildElement(const XmlNode* element);

// The names the loader takes as control flags rather than attributes: "visible",
// "enabled", "transparent".
const std::vector<std::string_view>& flagAttributeNames();

// Applies an element's attributes in document order through the attribute registry. On a
// control, `visible`, `enabled` and `transparent` set their flag for "1" and clear it
// otherwise; on a style they are ignored like any unknown name.
void applyAttributes(Object& target, const XmlNode* element);

}  // namespace tamlo::dui
