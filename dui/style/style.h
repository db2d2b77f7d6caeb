#pragma once

#include "dui/core/drawing.h"
#include "dui/core/object.h"
#include "platform/geometry.h"

namespace tamlo::dui {

class Control;

// A skin: an attribute bag read from a style document, drawn for a control. The base
// class stands for the type "Style" and for any type name the factory does not know.
class Style : public Object {
  public:
    // bounds: the control's rect in window-client coordinates. Draws the state skin.
    virtual void draw(DrawingContext& context, const Rect& bounds, Control& control);
};

// The style types of the style factory; each draws the control's state its own way.
class Style_Background : public Style {
  public:
    void draw(DrawingContext& context, const Rect& bounds, Control& control) override;
};
class Style_Button : public Style {
  public:
    void draw(DrawingContext& context, const Rect& bounds, Control& control) override;
};
class Style_ButtonEx : public Style {
  public:
    void draw(DrawingContext& context, const Rect& bounds, Control& control) override;
};
class Style_CheckButton : public Style {
  public:
    void draw(DrawingContext& context, const Rect& bounds, Control& control) override;
};
class Style_CheckButtonEx : public Style {
  public:
    void draw(DrawingContext& context, const Rect& bounds, Control& control) override;
};
class Style_ComboBox : public Style {
  public:
    void draw(DrawingContext& context, const Rect& bounds, Control& control) override;
};
class Style_Edit : public Style {
  public:
    void draw(DrawingContext& context, const Rect& bounds, Control& control) override;
};
class Style_IconButton : public Style {
  public:
    void draw(DrawingContext& context, const Rect& bounds, Control& control) override;
};
class Style_ScrollBar : public Style {
  public:
    void draw(DrawingContext& context, const Rect& bounds, Control& control) override;
};
class Style_Slider : public Style {
  public:
    void draw(DrawingContext& context, const Rect& bounds, Control& control) override;
};
class Style_ToggleButton : public Style {
  public:
    void draw(DrawingContext& context, const Rect& bounds, Control& control) override;
};
class Style_ToggleIconButton : public Style {
  public:
    void draw(DrawingContext& context, const Rect& bounds, Control& control) override;
};

}  // namespace tamlo::dui
