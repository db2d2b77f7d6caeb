#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dui/core/attribute_keys.h"
#include "dui/core/object_pool.h"
#include "platform/geometry.h"

namespace tamlo::dui {

// The attribute bag shared by controls and styles: four independent lists (integers,
// sizes, rects, texts), each keyed by interned attribute keys compared by identity. A key
// occurs at most once per list; new entries go to the front.
class Object {
  public:
    TAMLO_POOLED_ALLOCATION

    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object();

    // Integers, colours and enum words.
    int32_t getInt(AttributeKey key, int32_t defaultValue) const;
    bool hasInt(AttributeKey key) const;
    void setInt(AttributeKey key, int32_t value);

    // Reads leave `out` untouched when the key is absent.
    bool getSize(AttributeKey key, Size& out) const;
    void setSize(AttributeKey key, int32_t first, int32_t second);

    bool getRect(AttributeKey key, Rect& out) const;
    void setRect(AttributeKey key, int32_t left, int32_t top, int32_t right, int32_t bottom);

    bool getText(AttributeKey key, std::u16string& out) const;
    // The stored text, or null; valid until the attribute is set again or the object dies.
    const std::u16string* findText(AttributeKey key) const;
    void setText(AttributeKey key, std::u16string_view text);

  private:
    struct IntNode;
    struct SizeNode;
    struct RectNode;
    struct TextNode;

    IntNode* ints_ = nullptr;
    SizeNode* sizes_ = nullptr;
    RectNode* rects_ = nullptr;
    TextNode* texts_ = nullptr;
};

}  // namespace tamlo::dui
