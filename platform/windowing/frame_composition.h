#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/geometry.h"
#include "platform/windowing/native_window.h"

// What every desktop backend computes alike from a window's state before it shows it:
// written once here so the backends cannot drift apart.
namespace tamlo::platform {

// Rounded-region geometry: whether a window point is inside, and the [left, right) span
// of one row (empty when the row is outside).
bool roundRegionContains(const RoundRegion& region, Point point);
std::pair<int, int> roundRegionRowSpan(const RoundRegion& region, int row);
// A window's region in its device pixels.
RoundRegion deviceRegion(const RoundRegion& region, double scale);

// The rows a shaped window shows, in window coordinates: the round region's spans cut to
// the sliding reveal. Nothing when the window is not shaped at all.
std::optional<std::vector<Rect>> windowShapeRows(const std::optional<RoundRegion>& region,
                                                 const std::optional<SlideReveal>& reveal,
                                                 Size size);

// The frame a window shows: its pixels, or while it slides open only the revealed band
// with the contents moved into it (the rest transparent). `out` gets width * height words.
void composeFrame(const WindowPixels& surface, const std::optional<SlideReveal>& reveal,
                  std::vector<uint32_t>& out);

// A premultiplied ARGB word as a straight-alpha one (icons, PNG files), each channel
// rounded to the nearest value and clamped where damaged input exceeds alpha.
uint32_t straightAlpha(uint32_t premultiplied);

}  // namespace tamlo::platform
