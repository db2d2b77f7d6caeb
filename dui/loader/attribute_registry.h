#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dui/loader/attribute_setters.h"

namespace tamlo::dui {

// Attribute name (exact, case-sensitive) -> the typed setter that parses and stores it.
// Built once with the UI context; never changed afterwards.
class AttributeRegistry {
  public:
    // One setter per accepted attribute, in registry order.
    AttributeRegistry();

    // The setter of `name`, or null for a name the loader does not accept.
    const duiField::ISetter* find(std::u16string_view name) const;
    std::size_t size() const { return setters_.size(); }
    // Every accepted name, in name order.
    std::vector<std::u16string> names() const;

  private:
    std::map<std::u16string, std::unique_ptr<duiField::ISetter>, std::less<>> setters_;
};

// The value syntax a setter parses: "integer", "colour", "enum", "rect", "size" or "text".
const char* valueKindName(const duiField::ISetter& setter);

}  // namespace tamlo::dui
