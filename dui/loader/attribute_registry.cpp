#include "dui/loader/attribute_registry.h"

namespace tamlo::dui {
namespace {

// The value syntax of each accepted attribute, in registry order: Text, Rect, Colour,
// Integer, Enum, Size. The two reader-only keys that follow have no setter.
constexpr char kSetterKinds[] =
    "TRTTTTCITTTTTTTTITTTTRIIETTTTTTTTTRTTTTTTTTTTTIIIIIREEETTETTIITCTTTIEISSETITRRTRTTIIS";
constexpr std::size_t kAcceptedAttributeCount = sizeof(kSetterKinds) - 1;
static_assert(kAcceptedAttributeCount == 85, "one setter kind per accepted attribute");
static_assert(kAcceptedAttributeCount + 2 == kAttributeKeyCount,
              "every key but the two reader-only ones has a setter");

std::unique_ptr<duiField::ISetter> makeSetter(char kind, AttributeKey key) {
    switch (kind) {
        case 'R':
            return std::make_unique<duiField::RectSetter>(key);
        case 'C':
            return std::make_unique<duiField::ColorSetter>(key);
        case 'I':
            return std::make_unique<duiField::IntSetter>(key);
        case 'E':
            return std::make_unique<duiField::EnumSetter>(key);
        case 'S':
            return std::make_unique<duiField::SizeSetter>(key);
        default:
            return std::make_unique<duiField::TextSetter>(key);
    }
}

}  // namespace

AttributeRegistry::AttributeRegistry() {
    const auto& keys = allAttributeKeys();
    for (std::size_t i = 0; i < kAcceptedAttributeCount; ++i) {
        setters_.emplace(std::u16string(keys[i]), makeSetter(kSetterKinds[i], keys[i]));
    }
}

const duiField::ISetter* AttributeRegistry::find(std::u16string_view name) const {
    auto found = setters_.find(name);
    return found == setters_.end() ? nullptr : found->second.get();
}

std::vector<std::u16string> AttributeRegistry::names() const {
    std::vector<std::u16string> result;
    for (const auto& entry : setters_) {
        result.push_back(entry.first);
    }
    return result;
}

const char* valueKindName(const duiField::ISetter& setter) {
    if (dynamic_cast<const duiField::IntSetter*>(&setter) != nullptr) {
        return "integer";
    }
    if (dynamic_cast<const duiField::ColorSetter*>(&setter) != nullptr) {
        return "colour";
    }
    if (dynamic_cast<const duiField::EnumSetter*>(&setter) != nullptr) {
        return "enum";
    }
    if (dynamic_cast<const duiField::RectSetter*>(&setter) != nullptr) {
        return "rect";
    }
    if (dynamic_cast<const duiField::SizeSetter*>(&setter) != nullptr) {
        return "size";
    }
    return "text";
}

}  // namespace tamlo::dui
