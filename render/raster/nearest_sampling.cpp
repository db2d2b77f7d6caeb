#include "render/raster/nearest_sampling.h"

#include <cfloat>
#include <cmath>

namespace tamlo::render::raster {

namespace {

constexpr double kMaxFixedInteger = 32767.0;

int64_t toFixed(double value) {
    return static_cast<int64_t>(std::nearbyint(value * 65536.0));
}

bool fitsFixed(int64_t value) {
    return value >= INT32_MIN && value <= INT32_MAX;
}

// One axis of the source-from-destination mapping: source = scale * destination + offset.
struct Axis {
    double scale;
    double offset;
};

// (scale * (point + 1/2)) + offset in fixed point, rounded as the compositor rounds.
int64_t transformCentre(int64_t scale, int64_t offset, int64_t pointFixed) {
    return (scale * pointFixed + offset * 65536 + 0x8000) >> 16;
}

}  // namespace

NearestSampling nearestSampling(const BlitRect& from, const BlitRect& to, const Rect& extents) {
    NearestSampling out;
    out.x.length = from.width;
    out.y.length = from.height;
    const int64_t startX = extents.left;
    const int64_t startY = extents.top;
    if (from.width == to.width && from.height == to.height) {
        // A plain translation: every destination pixel reads the one under it.
        out.x.first = static_cast<int64_t>(startX - to.x) * 65536;
        out.y.first = static_cast<int64_t>(startY - to.y) * 65536;
        out.x.step = out.y.step = 65536;
        out.drawable = true;
        return out;
    }
    Axis x{static_cast<double>(from.width) / to.width, 0.0};
    Axis y{static_cast<double>(from.height) / to.height, 0.0};
    x.offset = -static_cast<double>(to.x) * x.scale;
    y.offset = -static_cast<double>(to.y) * y.scale;

    // 1. Move a whole number of destination pixels out of the offset, choosing the split
    //    that leaves the smallest offset on either axis.
    int64_t shiftX = 0;
    int64_t shiftY = 0;
    if (x.offset != 0.0 || y.offset != 0.0) {
        double tx = x.offset;
        double ty = y.offset;
        double norm = std::fmax(std::fabs(tx), std::fabs(ty));
        for (int i = -1; i < 2; i += 2) {
            for (int j = -1; j < 2; j += 2) {
                double den = (x.scale + i) * (y.scale + j);
                if (std::fabs(den) < DBL_EPSILON) {
                    continue;
                }
                den = 1 / den;
                const double cx = -x.offset * (y.scale + j) * den;
                const double cy = -y.offset * (x.scale + i) * den;
                const double candidate = std::fmax(std::fabs(cx), std::fabs(cy));
                if (norm > candidate) {
                    norm = candidate;
                    tx = cx;
                    ty = cy;
                }
            }
        }
        tx = std::floor(tx);
        ty = std::floor(ty);
        shiftX = static_cast<int64_t>(-tx);
        shiftY = static_cast<int64_t>(-ty);
        x.offset = tx * x.scale + x.offset;
        y.offset = ty * y.scale + y.offset;
    }
    if (std::fabs(x.scale) > kMaxFixedInteger || std::fabs(y.scale) > kMaxFixedInteger ||
        std::fabs(x.offset) > kMaxFixedInteger || std::fabs(y.offset) > kMaxFixedInteger) {
        return out;
    }

    // 2. Round to fixed point, then correct the offsets so the mapping is exact at the
    //    centre of the extents.
    const int64_t scaleX = toFixed(x.scale);
    const int64_t scaleY = toFixed(y.scale);
    int64_t offsetX = toFixed(x.offset);
    int64_t offsetY = toFixed(y.offset);
    const double centreX = extents.left + (static_cast<int64_t>(extents.right) - extents.left) / 2.;
    const double centreY = extents.top + (static_cast<int64_t>(extents.bottom) - extents.top) / 2.;
    const double inverseScaleX = 1. / x.scale;
    const double inverseScaleY = 1. / y.scale;
    const double inverseOffsetX = -x.offset * inverseScaleX;
    const double inverseOffsetY = -y.offset * inverseScaleY;
    for (int iteration = 0; iteration < 5; ++iteration) {
        const int64_t mappedX = transformCentre(scaleX, offsetX, toFixed(centreX));
        const int64_t mappedY = transformCentre(scaleY, offsetY, toFixed(centreY));
        if (!fitsFixed(mappedX) || !fitsFixed(mappedY)) {
            break;  // the reference point itself is out of range: no correction
        }
        const double backX = inverseScaleX * (mappedX / 65536.0) + inverseOffsetX - centreX;
        const double backY = inverseScaleY * (mappedY / 65536.0) + inverseOffsetY - centreY;
        const int64_t errorX = toFixed(x.scale * backX);
        const int64_t errorY = toFixed(y.scale * backY);
        offsetX -= errorX;
        offsetY -= errorY;
        if (errorX == 0 && errorY == 0) {
            break;
        }
    }

    // 3. The position of the first pixel's centre, less the smallest unit so that an exact
    //    tie rounds down.
    const int64_t firstX =
        transformCentre(scaleX, offsetX, static_cast<int64_t>(startX + shiftX) * 65536 + 0x8000);
    const int64_t firstY =
        transformCentre(scaleY, offsetY, static_cast<int64_t>(startY + shiftY) * 65536 + 0x8000);
    if (!fitsFixed(firstX) || !fitsFixed(firstY)) {
        return out;
    }
    out.x.first = firstX - 1;
    out.y.first = firstY - 1;
    out.x.step = scaleX;
    out.y.step = scaleY;
    out.drawable = true;
    return out;
}

}  // namespace tamlo::render::raster
