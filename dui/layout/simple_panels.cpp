#include "dui/layout/simple_panels.h"

#include <algorithm>
#include <vector>

#include "dui/layout/layout_math.h"

namespace tamlo::dui {

// --- Canvas ---

Size Canvas::measureContent(int32_t, int32_t) {
    for (Control* child : childList()) {
        child->measure(kUnbounded, kUnbounded);
    }
    return Size{0, 0};
}

Size Canvas::arrangeContent(int32_t width, int32_t height) {
    for (Control* child : childList()) {
        int64_t x = child->getInt(key::x, 0);
        int64_t y = child->getInt(key::y, 0);
        if (x < 0) {
            x += width;
        }
        if (y < 0) {
            y += height;
        }
        const Size desired = child->desiredSize();
        child->arrange(Rect{saturate(x), saturate(y), saturate(x + desired.width),
                            saturate(y + desired.height)});
    }
    return Size{width, height};
}

// --- StackPanel ---

bool StackPanel::isHorizontal() const {
    return getInt(key::orientation, enumValue(EnumWord::Vertical)) ==
           enumValue(EnumWord::Horizontal);
}

Size StackPanel::measureContent(int32_t availableWidth, int32_t availableHeight) {
    const bool horizontal = isHorizontal();
    if (horizontal) {
        availableWidth = kUnbounded;
    } else {
        availableHeight = kUnbounded;
    }
    int64_t along = 0;
    int32_t across = 0;
    for (Control* child : childList()) {
        const Size desired = child->measure(availableWidth, availableHeight);
        along += horizontal ? desired.width : desired.height;
        across = std::max(across, horizontal ? desired.height : desired.width);
    }
    return horizontal ? Size{saturate(along), across} : Size{across, saturate(along)};
}

Size StackPanel::arrangeContent(int32_t width, int32_t height) {
    const bool horizontal = isHorizontal();
    int64_t offset = 0;
    for (Control* child : childList()) {
        const Size desired = child->desiredSize();
        if (horizontal) {
            child->arrange(Rect{saturate(offset), 0, saturate(offset + desired.width), height});
            offset += desired.width;
        } else {
            child->arrange(Rect{0, saturate(offset), width, saturate(offset + desired.height)});
            offset += desired.height;
        }
    }
    return Size{width, height};
}

// --- DockPanel ---

namespace {
int32_t dockOf(const Control& child) {
    return child.getInt(key::dock, enumValue(EnumWord::Left));
}
}  // namespace

Size DockPanel::measureContent(int32_t availableWidth, int32_t availableHeight) {
    int64_t usedW = 0;
    int64_t usedH = 0;
    int64_t maxW = 0;
    int64_t maxH = 0;
    for (Control* child : childList()) {
        const Size desired =
            child->measure(saturate(std::max<int64_t>(0, availableWidth - usedW)),
                           saturate(std::max<int64_t>(0, availableHeight - usedH)));
        const int32_t dock = dockOf(*child);
        if (dock == enumValue(EnumWord::Left) || dock == enumValue(EnumWord::Right)) {
            maxH = std::max(maxH, usedH + desired.height);
            usedW += desired.width;
        } else if (dock == enumValue(EnumWord::Top) || dock == enumValue(EnumWord::Bottom)) {
            maxW = std::max(maxW, usedW + desired.width);
            usedH += desired.height;
        }
    }
    return Size{saturate(std::max(usedW, maxW)), saturate(std::max(usedH, maxH))};
}

Size DockPanel::arrangeContent(int32_t width, int32_t height) {
    int64_t left = 0;
    int64_t top = 0;
    int64_t right = 0;
    int64_t bottom = 0;
    const std::vector<Control*> children = childList();
    for (Control* child : children) {
        const Size desired = child->desiredSize();
        if (child == children.back()) {
            // The last child fills the remaining box whatever its dock.
            child->arrange(Rect{saturate(left), saturate(top), saturate(width - right),
                                saturate(height - bottom)});
            break;
        }
        const int32_t dock = dockOf(*child);
        if (dock == enumValue(EnumWord::Left)) {
            child->arrange(Rect{saturate(left), saturate(top), saturate(left + desired.width),
                                saturate(height - bottom)});
            left += desired.width;
        } else if (dock == enumValue(EnumWord::Top)) {
            child->arrange(Rect{saturate(left), saturate(top), saturate(width - right),
                                saturate(top + desired.height)});
            top += desired.height;
        } else if (dock == enumValue(EnumWord::Right)) {
            right += desired.width;
            const int64_t x = std::max(left, width - right);
            child->arrange(Rect{saturate(x), saturate(top), saturate(x + desired.width),
                                saturate(height - bottom)});
        } else {
            bottom += desired.height;
            const int64_t y = std::max(top, height - bottom);
            child->arrange(Rect{saturate(left), saturate(y), saturate(width - right),
                                saturate(y + desired.height)});
        }
    }
    return Size{width, height};
}

// --- Grid ---

Size Grid::measureContent(int32_t availableWidth, int32_t availableHeight) {
    Size largest;
    for (Control* child : childList()) {
        const Size desired = child->measure(availableWidth, availableHeight);
        largest.width = std::max(largest.width, desired.width);
        largest.height = std::max(largest.height, desired.height);
    }
    return largest;
}

Size Grid::arrangeContent(int32_t width, int32_t height) {
    for (Control* child : childList()) {
        child->arrange(Rect{0, 0, width, height});
    }
    return Size{width, height};
}

}  // namespace tamlo::dui
