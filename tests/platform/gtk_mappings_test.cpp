#ifdef TAMLO_HAVE_GTK

#include <gtest/gtest.h>

#include "platform/gtk/mappings.h"
#include "platform/win32_constants.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/window_constants.h"

namespace tamlo::test {
namespace {

using namespace tamlo::win32;
using platform::gtk::cursorNameForId;
using platform::gtk::messageBoxLayout;
using platform::gtk::MessageKind;
using platform::gtk::virtualKeyFromKeyval;

// Keyvals are X11 keysym numbers.
TEST(GtkKeyMapping, LettersDigitsAndTheirShiftedFormsShareOneKey) {
    EXPECT_EQ(virtualKeyFromKeyval('a'), uint32_t{'A'});
    EXPECT_EQ(virtualKeyFromKeyval('Z'), uint32_t{'Z'});
    EXPECT_EQ(virtualKeyFromKeyval('7'), uint32_t{'7'});
    EXPECT_EQ(virtualKeyFromKeyval('&'), uint32_t{'7'});
    EXPECT_EQ(virtualKeyFromKeyval(')'), uint32_t{'0'});
    EXPECT_EQ(virtualKeyFromKeyval('"'), VK_OEM_7);
    EXPECT_EQ(virtualKeyFromKeyval('{'), VK_OEM_4);
    EXPECT_EQ(virtualKeyFromKeyval(' '), VK_SPACE);
}

TEST(GtkKeyMapping, EditingNavigationFunctionAndKeypadKeys) {
    EXPECT_EQ(virtualKeyFromKeyval(0xff0d), VK_RETURN);
    EXPECT_EQ(virtualKeyFromKeyval(0xff8d), VK_RETURN);  // KP_Enter
    EXPECT_EQ(virtualKeyFromKeyval(0xff08), VK_BACK);
    EXPECT_EQ(virtualKeyFromKeyval(0xfe20), VK_TAB);  // Shift+Tab
    EXPECT_EQ(virtualKeyFromKeyval(0xffff), VK_DELETE);
    EXPECT_EQ(virtualKeyFromKeyval(0xff51), VK_LEFT);
    EXPECT_EQ(virtualKeyFromKeyval(0xff56), VK_NEXT);
    EXPECT_EQ(virtualKeyFromKeyval(0xffbe), VK_F1);
    EXPECT_EQ(virtualKeyFromKeyval(0xffc9), VK_F12);
    EXPECT_EQ(virtualKeyFromKeyval(0xffb0), VK_NUMPAD0);
    EXPECT_EQ(virtualKeyFromKeyval(0xffb9), VK_NUMPAD9);
    EXPECT_EQ(virtualKeyFromKeyval(0xffe1), VK_SHIFT);
    EXPECT_EQ(virtualKeyFromKeyval(0xffe4), VK_CONTROL);
    EXPECT_EQ(virtualKeyFromKeyval(0xffe9), VK_MENU);
    EXPECT_EQ(virtualKeyFromKeyval(0x4e2d), 0u);  // a CJK character has no key
    EXPECT_EQ(virtualKeyFromKeyval(0xe9), 0u);    // eacute
}

TEST(GtkCursorMapping, SystemCursorsHaveTheirCssNames) {
    EXPECT_STREQ(cursorNameForId(IDC_HAND), "pointer");
    EXPECT_STREQ(cursorNameForId(IDC_IBEAM), "text");
    EXPECT_STREQ(cursorNameForId(IDC_SIZEWE), "ew-resize");
    EXPECT_STREQ(cursorNameForId(IDC_ARROW), "default");
    EXPECT_STREQ(cursorNameForId(12345), "default");
}

std::vector<int> ids(const platform::gtk::MessageBoxLayout& layout) {
    std::vector<int> out;
    for (const auto& button : layout.buttons) {
        out.push_back(button.id);
    }
    return out;
}

TEST(GtkMessageBoxLayout, ButtonsIconsDefaultsAndTheCloseAnswer) {
    auto layout = messageBoxLayout(MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
    EXPECT_EQ(ids(layout), (std::vector<int>{IDYES, IDNO, IDCANCEL}));
    EXPECT_EQ(layout.kind, MessageKind::Question);
    EXPECT_EQ(layout.defaultId, IDNO);
    EXPECT_EQ(layout.closeId, IDCANCEL);

    layout = messageBoxLayout(MB_OK | MB_ICONERROR);
    EXPECT_EQ(ids(layout), (std::vector<int>{IDOK}));
    EXPECT_EQ(layout.kind, MessageKind::Error);
    EXPECT_EQ(layout.closeId, IDOK);

    layout = messageBoxLayout(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    EXPECT_EQ(layout.kind, MessageKind::Warning);
    EXPECT_EQ(layout.closeId, IDNO);  // no Cancel: closing answers the default

    layout = messageBoxLayout(MB_ABORTRETRYIGNORE | MB_ICONINFORMATION | MB_DEFBUTTON4);
    EXPECT_EQ(ids(layout), (std::vector<int>{IDABORT, IDRETRY, IDIGNORE}));
    EXPECT_EQ(layout.kind, MessageKind::Information);
    EXPECT_EQ(layout.defaultId, IDABORT);  // a default past the last button falls back
    for (const auto& button : layout.buttons) {
        EXPECT_FALSE(button.label.empty());
    }
    EXPECT_EQ(messageBoxLayout(MB_OK).kind, MessageKind::Plain);
}

}  // namespace
}  // namespace tamlo::test

#endif  // TAMLO_HAVE_GTK
