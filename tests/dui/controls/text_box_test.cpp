#include <gtest/gtest.h>

#include "dui/controls/text_units.h"
#include "platform/headless/input.h"
#include "text_input_fixture.h"

namespace tamlo::test {
namespace {

namespace headless = platform::headless;
using dui::TextBox;
using dui::EventCode::ValueChange;

const char* kBox =
    "<TextBox id=\"1\" width=\"200\" height=\"30\" horizontalAlign=\"left\" "
    "verticalAlign=\"top\"/>";

TEST_F(TextInputTest, TypingBackspaceAndEveryChangeRaisesValueChangeOnce) {
    auto* box = openWith<TextBox>(kBox);
    ASSERT_NE(box, nullptr);
    const int changes = countEvents(ValueChange);
    box->setText(u"abc");
    EXPECT_EQ(counters[changes], 1);
    box->setText(u"abc");  // the same text changes nothing
    EXPECT_EQ(counters[changes], 1);
    focus();
    key(win32::VK_BACK);
    EXPECT_EQ(box->text(), u"ab");
    EXPECT_EQ(counters[changes], 2);
    type(u"Zq");
    EXPECT_EQ(box->text(), u"abZq");
    EXPECT_EQ(box->caret(), 4);
    EXPECT_EQ(counters[changes], 4);
    key(win32::VK_LEFT);
    key(win32::VK_LEFT);
    key(win32::VK_BACK);
    EXPECT_EQ(box->text(), u"aZq");
    EXPECT_EQ(box->caret(), 1);
    // The caret is the window's, shown in the box; a new text moves it to its end.
    const Rect before = window->caretRect();
    EXPECT_TRUE(before.left > 0 && before.height() > 0);
    box->setText(u"a much longer text than before");
    pump();
    EXPECT_GT(window->caretRect().left, before.left);
}

TEST_F(TextInputTest, PasteTurnsControlCharactersIntoSpacesAndCutCopyUseTheClipboard) {
    auto* box = openWith<TextBox>(kBox);
    focus();
    platform::setClipboardText(u"a\tb\r\nc");
    ctrl('V');
    EXPECT_EQ(box->text(), u"a b  c");
    EXPECT_EQ(box->caret(), 6);
    ctrl('A');
    EXPECT_EQ(box->anchor(), 0);
    ctrl('X');
    EXPECT_EQ(box->text(), u"");
    EXPECT_EQ(clipboard(), u"a b  c");
    type(u"xyz");
    ctrl('A');
    ctrl('C');
    EXPECT_EQ(clipboard(), u"xyz");
    EXPECT_EQ(box->text(), u"xyz");
    // Without Ctrl the letters are typed, not commands.
    key('V');
    EXPECT_EQ(box->text(), u"v");
}

TEST_F(TextInputTest, AFullBoxTakesNothingMoreAndAPasteFillsOnlyTheRoom) {
    auto* box = openWith<TextBox>(kBox);
    const int changes = countEvents(ValueChange);
    box->setText(std::u16string(3000, u'a'));  // setText keeps 1999
    EXPECT_EQ(box->text().size(), TextBox::kSetTextLimit);
    focus();
    type(u"b");
    EXPECT_EQ(box->text().size(), TextBox::kCapacity);
    const int before = counters[changes];
    type(u"c");
    EXPECT_EQ(box->text().size(), TextBox::kCapacity);
    EXPECT_EQ(box->text().back(), u'b');
    EXPECT_EQ(counters[changes], before + 1);  // raised although nothing went in

    box->setText(std::u16string(1995, u'a'));
    focus();
    platform::setClipboardText(u"0123456789");
    ctrl('V');
    EXPECT_EQ(box->text().size(), TextBox::kCapacity);
    EXPECT_EQ(box->text().substr(1995), u"01234");
    EXPECT_EQ(box->caret(), 2000);
    EXPECT_EQ(box->anchor(), 2000);
}

TEST_F(TextInputTest, NoCutSplitsASurrogatePair) {
    auto* box = openWith<TextBox>(kBox);
    const std::u16string face = u"\U0001F600";
    box->setText(std::u16string(1998, u'a') + face);
    EXPECT_EQ(box->text(), std::u16string(1998, u'a'));
    focus();
    type(u"b");  // 1999 now: one unit of room, too little for a pair
    platform::setClipboardText(face + face);
    ctrl('V');
    EXPECT_EQ(box->text().size(), 1999u);
    type(face);
    EXPECT_EQ(box->text().size(), 1999u);
    EXPECT_FALSE(dui::text::isHighSurrogate(box->text().back()));

    box->setText(u"x" + face + u"y");
    focus();
    key(win32::VK_LEFT);
    key(win32::VK_LEFT);
    EXPECT_EQ(box->caret(), 1);  // over the pair at once
    key(win32::VK_RIGHT);
    key(win32::VK_BACK);
    EXPECT_EQ(box->text(), u"xy");
}

TEST_F(TextInputTest, AMegabytePasteTakesWhatFitsAndBadClipboardTextBecomesReplacement) {
    auto* box = openWith<TextBox>(kBox);
    focus();
    type(u"ab");
    platform::setClipboardText(std::u16string(1 << 20, u'z'));
    ctrl('V');
    EXPECT_EQ(box->text().size(), TextBox::kCapacity);
    EXPECT_EQ(box->caret(), 2000);

    box->setText(u"");
    focus();
    // Raw text on the clipboard, as another program may leave it: lone surrogates.
    const char16_t raw[] = {u'q', 0xD800, u'r', 0xDC01, 0};
    platform::processClipboard() = std::u16string(raw);
    ctrl('V');
    EXPECT_EQ(box->text(), u"q\uFFFDr\uFFFD");
}

TEST_F(TextInputTest, MouseSelectsByDragAndDoubleClickSelectsAll) {
    auto* box = openWith<TextBox>(kBox);
    box->setText(u"hello world");
    moveTo(9, 15);  // just inside the left padding: index 0
    headless::pressButton();
    pump();
    EXPECT_EQ(window->focusedControl(), box);
    EXPECT_EQ(box->caret(), 0);
    moveTo(190, 15);  // past the text's end
    headless::releaseButton();
    pump();
    EXPECT_EQ(box->anchor(), 0);
    EXPECT_EQ(box->caret(), 11);
    ctrl('C');
    EXPECT_EQ(clipboard(), u"hello world");
    headless::click();  // collapses at the end
    pump();
    EXPECT_EQ(box->anchor(), box->caret());
    // The window's class asks for double clicks in the engine; here it comes directly.
    window->handleMessage(win32::WM_LBUTTONDBLCLK, win32::MK_LBUTTON, platform::makeLParam(40, 15));
    pump();
    EXPECT_EQ(box->anchor(), 0);
    EXPECT_EQ(box->caret(), 11);
    type(u"X");  // typing replaces the selection
    EXPECT_EQ(box->text(), u"X");
}

TEST_F(TextInputTest, LongTextScrollsToKeepTheCaretInView) {
    auto* box = openWith<TextBox>(kBox);
    focus();
    type(std::u16string(80, u'm'));
    EXPECT_GT(box->scrollOffset(), 0);
    const Rect caret = window->caretRect();
    EXPECT_LE(caret.left, 200 - box->horizontalPadding());
    EXPECT_GE(caret.left, box->horizontalPadding());
    key(win32::VK_BACK);
    EXPECT_EQ(box->text().size(), 79u);
}

TEST_F(TextInputTest, ACompositionShowsAtTheCaretAndCommitsAsCharacters) {
    auto* box = openWith<TextBox>(kBox);
    focus();
    type(u"ab");
    headless::compose(u"zhong");
    pump();
    EXPECT_EQ(headless::composition(), u"zhong");
    EXPECT_EQ(box->text(), u"ab");  // nothing typed before the commit
    headless::commitComposition(u"中文\U00020000");
    pump();
    EXPECT_EQ(box->text(), u"ab中文\U00020000");
    EXPECT_EQ(headless::composition(), u"");

    headless::compose(u"wen");
    pump();
    window->setFocusControl(nullptr);  // hiding the caret cancels the composition
    pump();
    EXPECT_EQ(headless::composition(), u"");
    headless::commitComposition();
    pump();
    EXPECT_EQ(box->text(), u"ab中文\U00020000");
}

}  // namespace
}  // namespace tamlo::test
