// The native message mappings of the Windows backend are pure functions: these run on
// every system.
#include <gtest/gtest.h>

#include "platform/win32/mappings.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/window_constants.h"

namespace tamlo::test {
namespace {

using namespace tamlo::win32;
using namespace tamlo::platform::win32native;
using platform::MouseButton;

std::intptr_t pointBits(int x, int y) {
    return static_cast<std::intptr_t>((static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16) |
                                      static_cast<uint16_t>(x));
}

TEST(Win32MappingsTest, MouseMessagesGiveSignedClientPointsAndDoubleClicksArePresses) {
    NativeInput press = nativeInputFromMessage(WM_LBUTTONDOWN, MK_LBUTTON, pointBits(-5, 300));
    EXPECT_EQ(press.kind, NativeInputKind::Button);
    EXPECT_EQ(press.button, MouseButton::Left);
    EXPECT_TRUE(press.down);
    EXPECT_EQ(press.point, (Point{-5, 300}));

    NativeInput again = nativeInputFromMessage(WM_RBUTTONDBLCLK, MK_RBUTTON, pointBits(7, 8));
    EXPECT_EQ(again.kind, NativeInputKind::Button);
    EXPECT_EQ(again.button, MouseButton::Right);
    EXPECT_TRUE(again.down);

    NativeInput release = nativeInputFromMessage(WM_MBUTTONUP, 0, pointBits(1, -2));
    EXPECT_EQ(release.button, MouseButton::Middle);
    EXPECT_FALSE(release.down);
    EXPECT_EQ(release.point, (Point{1, -2}));

    NativeInput move = nativeInputFromMessage(WM_MOUSEMOVE, 0, pointBits(640, 480));
    EXPECT_EQ(move.kind, NativeInputKind::PointerMoved);
    EXPECT_EQ(move.point, (Point{640, 480}));

    // The wheel's delta is the signed high word; its point is on the screen already.
    NativeInput wheel = nativeInputFromMessage(
        WM_MOUSEWHEEL, static_cast<std::uintptr_t>(static_cast<uint16_t>(-240)) << 16 | MK_SHIFT,
        pointBits(-100, 50));
    EXPECT_EQ(wheel.kind, NativeInputKind::Wheel);
    EXPECT_EQ(wheel.wheelDelta, -240);
    EXPECT_EQ(wheel.point, (Point{-100, 50}));

    EXPECT_EQ(nativeInputFromMessage(WM_TIMER, 1, 0).kind, NativeInputKind::None);
    EXPECT_EQ(nativeInputFromMessage(WM_PAINT, 0, 0).kind, NativeInputKind::None);
}

TEST(Win32MappingsTest, KeysKeepTheirScanCodeAndExtendedBitAndCharactersTheirUnit) {
    // Right arrow: scan code 0x4D with the extended bit, repeat count 1.
    NativeInput right = nativeInputFromMessage(WM_KEYDOWN, VK_RIGHT, 0x014D0001);
    EXPECT_EQ(right.kind, NativeInputKind::Key);
    EXPECT_TRUE(right.down);
    EXPECT_EQ(right.virtualKey, VK_RIGHT);
    EXPECT_EQ(right.scanCode, 0x4Du);
    EXPECT_TRUE(right.extended);

    // Alt released: a system key up, transition and previous-state bits set.
    NativeInput alt = nativeInputFromMessage(
        WM_SYSKEYUP, VK_MENU, static_cast<std::intptr_t>(static_cast<int32_t>(0xC0380001u)));
    EXPECT_EQ(alt.kind, NativeInputKind::Key);
    EXPECT_FALSE(alt.down);
    EXPECT_EQ(alt.scanCode, 0x38u);
    EXPECT_FALSE(alt.extended);

    EXPECT_TRUE(nativeInputFromMessage(WM_SYSKEYDOWN, 'F', 0x20210001).down);

    NativeInput typed = nativeInputFromMessage(WM_CHAR, 0x4E2D, 1);
    EXPECT_EQ(typed.kind, NativeInputKind::Character);
    EXPECT_EQ(typed.character, u'\u4E2D');
    NativeInput composed = nativeInputFromMessage(0x0286 /* WM_IME_CHAR */, 0x6587, 1);
    EXPECT_EQ(composed.kind, NativeInputKind::Character);
    EXPECT_EQ(composed.character, u'\u6587');
}

TEST(Win32MappingsTest, ANativeCharacterIsDroppedOnlyWhenTheEngineTypedItFromTheKey) {
    EXPECT_TRUE(characterRepeatsKey(u'a', 'A', false, false, false));
    EXPECT_TRUE(characterRepeatsKey(u'A', 'A', true, false, false));
    EXPECT_TRUE(characterRepeatsKey(u'A', 'A', false, true, false));
    EXPECT_TRUE(characterRepeatsKey(u'!', '1', true, false, false));
    // Control characters come from the keys alone.
    EXPECT_TRUE(characterRepeatsKey(u'\r', VK_RETURN, false, false, false));
    EXPECT_TRUE(characterRepeatsKey(u'\x01', 'A', false, false, true));
    EXPECT_TRUE(characterRepeatsKey(u'\x7F', 0, false, false, false));
    // Another layout's letter, AltGr's '@' and text without a key get through.
    EXPECT_FALSE(characterRepeatsKey(u'\u00E4', 'A', false, false, false));
    EXPECT_FALSE(characterRepeatsKey(u'@', 'Q', false, false, true));
    EXPECT_FALSE(characterRepeatsKey(u'z', 'Y', false, false, false));
    EXPECT_FALSE(characterRepeatsKey(u'x', 0, false, false, false));
}

TEST(Win32MappingsTest, CursorIdsAreSystemResourcesAndUnknownOnesTheArrow) {
    EXPECT_EQ(cursorResourceForId(IDC_HAND), 32649u);
    EXPECT_EQ(cursorResourceForId(IDC_IBEAM), 32513u);
    EXPECT_EQ(cursorResourceForId(IDC_SIZEWE), 32644u);
    EXPECT_EQ(cursorResourceForId(0), IDC_ARROW);
    EXPECT_EQ(cursorResourceForId(12345), IDC_ARROW);
}

TEST(Win32MappingsTest, NativeStylesAreFramelessPopupsWithTheEngineExtendedStyles) {
    constexpr uint32_t kTransparent = 0x00000020;
    constexpr uint32_t kNoActivate = 0x08000000;
    NativeStyles layered = nativeStylesFor(WS_POPUP | WS_VISIBLE | WS_DISABLED,
                                           WS_EX_LAYERED | WS_EX_TOPMOST, false, false);
    EXPECT_EQ(layered.style, WS_POPUP);  // shown and enabled through the services
    EXPECT_EQ(layered.exStyle, WS_EX_LAYERED | WS_EX_TOPMOST);

    NativeStyles plain = nativeStylesFor(0, 0, false, false);
    EXPECT_EQ(plain.style, WS_POPUP);
    EXPECT_EQ(plain.exStyle, 0u);

    EXPECT_EQ(nativeStylesFor(WS_POPUP, WS_EX_LAYERED, true, false).exStyle,
              WS_EX_LAYERED | kTransparent | kNoActivate);
    NativeStyles tooltip = nativeStylesFor(WS_POPUP, 0, false, true);
    EXPECT_EQ(tooltip.exStyle, WS_EX_TOPMOST | WS_EX_TOOLWINDOW | kNoActivate | kTransparent);
}

}  // namespace
}  // namespace tamlo::test
