#pragma once

#include <algorithm>
#include <cstdint>

// The engine's one geometry: points, sizes and rectangles in pixels, shared by the
// window services, the renderer and the control tree.
namespace tamlo {

struct Point {
    int32_t x = 0;
    int32_t y = 0;
};

struct Size {
    int32_t width = 0;
    int32_t height = 0;
};

// Left and top inclusive, right and bottom exclusive.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool contains(int32_t x, int32_t y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    bool contains(Point p) const { return contains(p.x, p.y); }
    Rect offsetBy(int32_t dx, int32_t dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
};

inline bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const Rect& a, const Rect& b) {
    return !(a == b);
}
inline bool operator==(const Size& a, const Size& b) {
    return a.width == b.width && a.height == b.height;
}
inline bool operator==(const Point& a, const Point& b) {
    return a.x == b.x && a.y == b.y;
}

// The common part of two rectangles; an empty rectangle when they do not overlap.
inline Rect intersection(const Rect& a, const Rect& b) {
    Rect out{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
    if (out.isEmpty()) {
        return Rect{};
    }
    return out;
}

// The smallest rectangle holding both; an empty side is ignored.
inline Rect unionOf(const Rect& a, const Rect& b) {
    if (a.isEmpty()) {
        return b;
    }
    if (b.isEmpty()) {
        return a;
    }
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

inline bool operator!=(const Point& a, const Point& b) {
    return !(a == b);
}

namespace platform {
using tamlo::Point;
using tamlo::Rect;
using tamlo::Size;
}  // namespace platform

}  // namespace tamlo
