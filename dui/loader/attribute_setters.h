#pragma once

#include <string_view>

#include "dui/core/attribute_keys.h"
#include "dui/core/object.h"

namespace tamlo::dui::duiField {

// Parses an attribute's text and stores the value under its interned key. Values that
// do not parse completely store 0 for what was not read; nothing past the text is read.
class ISetter {
  public:
    explicit ISetter(AttributeKey key) : key_(key) {}
    virtual ~ISetter() = default;
    AttributeKey key() const { return key_; }
    virtual void set(Object& target, std::u16string_view value) const = 0;

  private:
    AttributeKey key_;
};

// "%d": optional white space, optional sign, digits.
class IntSetter : public ISetter {
  public:
    using ISetter::ISetter;
    void set(Object& target, std::u16string_view value) const override;
};

// "#rrggbb" read as digits 1 to 6 in reading order; a non-hex digit (or a position past
// the end) counts as 0. "#6666ff" stores 0x6666FF.
class ColorSetter : public ISetter {
  public:
    using ISetter::ISetter;
    void set(Object& target, std::u16string_view value) const override;
};

// One of the canonical enum words, case-sensitive; anything else stores EnumWord::None.
class EnumSetter : public ISetter {
  public:
    using ISetter::ISetter;
    void set(Object& target, std::u16string_view value) const override;
};

// "%d,%d,%d,%d": left, top, right, bottom.
class RectSetter : public ISetter {
  public:
    using ISetter::ISetter;
    void set(Object& target, std::u16string_view value) const override;
};

// "%d,%d".
class SizeSetter : public ISetter {
  public:
    using ISetter::ISetter;
    void set(Object& target, std::u16string_view value) const override;
};

// The text unchanged.
class TextSetter : public ISetter {
  public:
    using ISetter::ISetter;
    void set(Object& target, std::u16string_view value) const override;
};

// Reads up to `count` comma-separated "%d" numbers into `out` (which the caller zeroes)
// the way sscanf does: white space may precede a number, not a comma; the first
// mismatch ends the scan. Returns how many were read.
int scanIntegers(std::u16string_view value, int32_t* out, int count);

}  // namespace tamlo::dui::duiField
