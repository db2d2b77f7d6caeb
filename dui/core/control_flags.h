#pragma once

#include <cstdint>

namespace tamlo::dui {

// Bits of a control's flags word. The bit numbers are part of the script contract
// (writeFlag / readFlag address them by number).
namespace ControlFlag {
constexpr int32_t EnabledBit = 0;
constexpr int32_t VisibleBit = 1;
constexpr int32_t FocusedBit = 2;
constexpr int32_t CapturedBit = 3;
constexpr int32_t HoveredBit = 4;
constexpr int32_t RepaintOnMouseBit = 5;
constexpr int32_t CaptureOnPressBit = 6;
constexpr int32_t FocusOnPressBit = 7;
constexpr int32_t ClearFocusOnPressBit = 8;
constexpr int32_t AcceptsDropBit = 9;
constexpr int32_t TransparentBit = 10;
constexpr int32_t DoubleClicksBit = 11;
constexpr int32_t CollapsedBit = 12;
constexpr int32_t PanelBit = 13;
constexpr int32_t CheckedBit = 14;
constexpr int32_t WheelChangesValueBit = 15;
constexpr int32_t ScriptWrappedBit = 18;

constexpr uint32_t Enabled = 1u << EnabledBit;
constexpr uint32_t Visible = 1u << VisibleBit;
constexpr uint32_t Focused = 1u << FocusedBit;
constexpr uint32_t Captured = 1u << CapturedBit;
constexpr uint32_t Hovered = 1u << HoveredBit;
constexpr uint32_t RepaintOnMouse = 1u << RepaintOnMouseBit;
constexpr uint32_t CaptureOnPress = 1u << CaptureOnPressBit;
constexpr uint32_t FocusOnPress = 1u << FocusOnPressBit;
constexpr uint32_t ClearFocusOnPress = 1u << ClearFocusOnPressBit;
constexpr uint32_t AcceptsDrop = 1u << AcceptsDropBit;
constexpr uint32_t Transparent = 1u << TransparentBit;
constexpr uint32_t DoubleClicks = 1u << DoubleClicksBit;
constexpr uint32_t Collapsed = 1u << CollapsedBit;
constexpr uint32_t IsPanel = 1u << PanelBit;
constexpr uint32_t Checked = 1u << CheckedBit;
constexpr uint32_t WheelChangesValue = 1u << WheelChangesValueBit;
constexpr uint32_t ScriptWrapped = 1u << ScriptWrappedBit;
}  // namespace ControlFlag

}  // namespace tamlo::dui
