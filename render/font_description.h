#pragma once

#include <pango/pango.h>

#include "render/font.h"

// Private to render/: the text engine behind Font.
namespace tamlo::render {

struct Font::Description {
    PangoFontDescription* pango = nullptr;
};

}  // namespace tamlo::render
