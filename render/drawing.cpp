#include "render/drawing.h"

#if defined(TAMLO_DRAWING_RASTER)
#include "render/raster/raster_drawing.h"
#else
#include "render/cairo/cairo_drawing.h"
#endif

namespace tamlo::render {

Drawing& buildDrawing() {
#if defined(TAMLO_DRAWING_RASTER)
    return rasterDrawing();
#else
    return cairoDrawing();
#endif
}

}  // namespace tamlo::render
