#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/desktop.h"
#include "platform/geometry.h"

// A DPI-aware program is not scaled by the system: the native window, its region and the
// pointer are in the monitor's device pixels while the engine keeps logical ones. These
// pure conversions need no <windows.h>, so they are tested on every system.
namespace tamlo::platform::win32native {

// A monitor's DPI as a window scale (96 is 1); a DPI the system did not give is 1.
double scaleForDpi(uint32_t dpi);

// The native rectangle of a window at `logical` screen coordinates, and back: edges round to
// the nearest pixel, so a native echo of a placement gives the engine's rectangle again.
Rect deviceWindowRect(const Rect& logical, double scale);
Rect logicalWindowRect(const Rect& device, double scale);

// A pointer's native client point as a logical screen point of the window at `logicalOrigin`.
Point logicalScreenPoint(Point deviceClient, Point logicalOrigin, double scale);

// A sliding reveal, which the engine computes in logical pixels, over the device surface.
std::optional<SlideReveal> deviceReveal(const std::optional<SlideReveal>& reveal, double scale);

// The rows a shaped window shows natively (SetWindowRgn), in device pixels.
std::optional<std::vector<Rect>> deviceShapeRows(const NativeWindowState& state);

}  // namespace tamlo::platform::win32native
