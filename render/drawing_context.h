#pragma once

#include "platform/geometry.h"

namespace tamlo::render {

// The renderer's drawing surface as a paint walk sees it: a clip stack over a surface in
// window-client coordinates.
class DrawingContext {
  public:
    virtual ~DrawingContext() = default;
    virtual void save() = 0;
    virtual void restore() = 0;
    // Limits drawing to `area` until the matching restore.
    virtual void clipTo(const Rect& area) = 0;
};

}  // namespace tamlo::render
