#pragma once

#include "dui/core/drawing.h"
#include "dui/core/geometry.h"
#include "dui/core/object.h"

namespace tamlo::dui {

class Control;

// A skin: an attribute bag read from a style document, drawn for a control. The base
// class stands for the type "Style" and for any type name the factory does not know.
class Style : public Object {
  public:
    // bounds: the control's rect in window-client coordinates.
    virtual void draw(DrawingContext& context, const Rect& bounds, Control& control);
};

// The style types of the style factory. Each draws its own way; until the skin drawing
// arrives, drawing any of them leaves the surface as it was.
class Style_Background : public Style {};
class Style_Button : public Style {};
class Style_ButtonEx : public Style {};
class Style_CheckButton : public Style {};
class Style_CheckButtonEx : public Style {};
class Style_ComboBox : public Style {};
class Style_Edit : public Style {};
class Style_IconButton : public Style {};
class Style_ScrollBar : public Style {};
class Style_Slider : public Style {};
class Style_ToggleButton : public Style {};
class Style_ToggleIconButton : public Style {};

}  // namespace tamlo::dui
