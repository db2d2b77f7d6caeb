#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/geometry.h"

// Logical pixels (96 DPI units: layouts, scripts, messages) against a window's device
// pixels (its back buffer, shown frame and screenshots). A window's scale is its monitor's
// DPI / 96; 1 keeps the two the same.
namespace tamlo {

inline constexpr double kMinDisplayScale = 0.5;
inline constexpr double kMaxDisplayScale = 4.0;

// The device coordinate of a logical edge. Edges round the same way, so rectangles that
// touch in logical pixels touch in device pixels too.
inline int32_t toDevice(int32_t logical, double scale) {
    const double device = std::floor(static_cast<double>(logical) * scale + 0.5);
    return static_cast<int32_t>(std::clamp(device, -2147483648.0, 2147483647.0));
}

// The logical pixel a device pixel lies in.
inline int32_t toLogical(int32_t device, double scale) {
    const double logical = std::floor(static_cast<double>(device) / scale);
    return static_cast<int32_t>(std::clamp(logical, -2147483648.0, 2147483647.0));
}

inline Rect toDevice(const Rect& logical, double scale) {
    if (scale == 1.0) {
        return logical;
    }
    return Rect{toDevice(logical.left, scale), toDevice(logical.top, scale),
                toDevice(logical.right, scale), toDevice(logical.bottom, scale)};
}

inline Point toLogical(Point device, double scale) {
    if (scale == 1.0) {
        return device;
    }
    return Point{toLogical(device.x, scale), toLogical(device.y, scale)};
}

// A scale written as "1.5", "150%" or "2x"; nothing for text that is none or lies outside
// kMinDisplayScale .. kMaxDisplayScale.
std::optional<double> parseDisplayScale(std::string_view text);

// Text alone grows with a desktop's font DPI (its "larger text" setting): the factor by which
// a font of that many dots per inch outgrows one of 96, kept within the display scale's
// bounds; 1 for a DPI the desktop does not know (0 or less). Layouts stay as they are.
double fontResolutionFactor(double dotsPerInch);

// The factor every font size is drawn and measured at, over the window's scale (process-wide;
// the desktop backend sets it, 1 until then).
double textScale();
void setTextScale(double factor);

}  // namespace tamlo
