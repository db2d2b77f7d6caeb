#include "platform/win32/device_pixels.h"

#include <cmath>

#include "platform/display_scale.h"

namespace tamlo::platform::win32native {
namespace {

int32_t nearestLogical(int32_t device, double scale) {
    return static_cast<int32_t>(std::lround(static_cast<double>(device) / scale));
}

}  // namespace

double scaleForDpi(uint32_t dpi) {
    const double scale = static_cast<double>(dpi) / 96.0;
    return scale >= kMinDisplayScale && scale <= kMaxDisplayScale ? scale : 1.0;
}

Rect deviceWindowRect(const Rect& logical, double scale) {
    return toDevice(logical, scale);
}

Rect logicalWindowRect(const Rect& device, double scale) {
    if (scale == 1.0) {
        return device;
    }
    return Rect{nearestLogical(device.left, scale), nearestLogical(device.top, scale),
                nearestLogical(device.right, scale), nearestLogical(device.bottom, scale)};
}

Point logicalScreenPoint(Point deviceClient, Point logicalOrigin, double scale) {
    const Point client = toLogical(deviceClient, scale);
    return Point{logicalOrigin.x + client.x, logicalOrigin.y + client.y};
}

std::optional<SlideReveal> deviceReveal(const std::optional<SlideReveal>& reveal, double scale) {
    if (!reveal || scale == 1.0) {
        return reveal;
    }
    return SlideReveal{
        toDevice(reveal->visible, scale),
        Point{toDevice(reveal->contentOffset.x, scale), toDevice(reveal->contentOffset.y, scale)}};
}

std::optional<std::vector<Rect>> deviceShapeRows(const NativeWindowState& state) {
    const double scale = state.scale;
    std::optional<RoundRegion> region;
    if (state.region) {
        region = deviceRegion(*state.region, scale);
    }
    const Size size{toDevice(state.rect.width(), scale), toDevice(state.rect.height(), scale)};
    return windowShapeRows(region, deviceReveal(state.reveal, scale), size);
}

}  // namespace tamlo::platform::win32native
