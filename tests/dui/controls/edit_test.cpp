#include <gtest/gtest.h>

#include "dui/controls/scroll_bar.h"
#include "dui/layout/scroll_panel.h"
#include "platform/headless/input.h"
#include "text_input_fixture.h"

namespace tamlo::test {
namespace {

namespace headless = platform::headless;
using dui::Edit;
using dui::TextBlocks;

std::string editElement(int width, int height, bool editable = true) {
    return "<Edit id=\"1\" width=\"" + std::to_string(width) + "\" height=\"" +
           std::to_string(height) + "\" texteditable=\"" + (editable ? "1" : "0") +
           "\" horizontalAlign=\"left\" verticalAlign=\"top\"/>";
}

std::u16string numberedLines(int count) {
    std::u16string text;
    for (int i = 0; i < count; ++i) {
        for (char c : "line " + std::to_string(i)) {
            text.push_back(static_cast<char16_t>(c));
        }
        text += u"\r\n";
    }
    return text;
}

class EditTest : public TextInputTest {
  protected:
    // The lines a fresh Edit of the same size makes of the same text: what a local
    // rewrap after an edit must agree with.
    void expectLinesAsIfFresh(Edit& edit) {
        Edit* fresh = openSecond(edit);
        ASSERT_NE(fresh, nullptr);
        ASSERT_EQ(fresh->lines().size(), edit.lines().size());
        for (std::size_t i = 0; i < edit.lines().size(); ++i) {
            EXPECT_EQ(fresh->lines()[i].first, edit.lines()[i].first) << "line " << i;
            EXPECT_EQ(fresh->lines()[i].last, edit.lines()[i].last) << "line " << i;
            EXPECT_EQ(fresh->lines()[i].kind, edit.lines()[i].kind) << "line " << i;
        }
    }
    Edit* openSecond(Edit& edit) {
        auto* panel = window->root()->asPanel();
        auto* second = dynamic_cast<Edit*>(window->controlById(2));
        if (second == nullptr || panel == nullptr) {
            return nullptr;
        }
        second->setText(edit.text());
        return second;
    }
};

TEST_F(EditTest, EnterInsertsCrLfAndBackspaceTakesThePairAsOne) {
    auto* edit = openWith<Edit>(editElement(200, 100));
    ASSERT_NE(edit, nullptr);
    focus();
    type(u"ab");
    key(win32::VK_RETURN);
    EXPECT_EQ(edit->text(), u"ab\r\n");
    EXPECT_EQ(edit->caret(), 4);
    ASSERT_EQ(edit->lines().size(), 2u);
    EXPECT_EQ(edit->lines()[0].kind, Edit::Break::CarriageReturn);
    key(win32::VK_BACK);
    EXPECT_EQ(edit->text(), u"ab");
    EXPECT_EQ(edit->lines().size(), 1u);
    key(win32::VK_RETURN);
    key(win32::VK_LEFT);  // back over the pair at once
    EXPECT_EQ(edit->caret(), 2);
    key(win32::VK_RIGHT);
    EXPECT_EQ(edit->caret(), 4);
    // Other control characters are not typed.
    type(u"\t");
    EXPECT_EQ(edit->text(), u"ab\r\n");
}

TEST_F(EditTest, AnInsertOverfillingItsBlockIsSpreadOverBlocksOfAboutFifteenHundred) {
    auto* edit = openWith<Edit>(editElement(200, 100));
    edit->setText(std::u16string(2500, u'x'));
    ASSERT_EQ(edit->blocks().blockCount(), 2u);
    EXPECT_EQ(edit->blocks().blockLength(0), 1500u);
    EXPECT_EQ(edit->blocks().blockLength(1), 1000u);
    focus();
    key(win32::VK_HOME);
    key(win32::VK_RIGHT);
    platform::setClipboardText(std::u16string(600, u'y'));
    ctrl('V');
    ASSERT_EQ(edit->blocks().blockCount(), 3u);
    EXPECT_EQ(edit->blocks().blockLength(0), 1050u);
    EXPECT_EQ(edit->blocks().blockLength(1), 1050u);
    EXPECT_EQ(edit->blocks().blockStart(2), 2100u);
    EXPECT_EQ(edit->text(), u"x" + std::u16string(600, u'y') + std::u16string(2499, u'x'));
    EXPECT_EQ(edit->caret(), 601);
    // Deleting merges neighbours back up to 1500.
    ctrl('A');
    key(win32::VK_BACK);
    EXPECT_EQ(edit->blocks().blockCount(), 1u);
    EXPECT_EQ(edit->text(), u"");
    EXPECT_EQ(edit->lines().size(), 1u);
}

TEST_F(EditTest, TheWheelScrollsThreeLinesANotchAndNeverAboveTheTop) {
    auto* edit = openWith<Edit>(editElement(200, 100));
    edit->setText(numberedLines(50));
    moveTo(20, 20);
    headless::click();  // focus: the wheel needs it
    pump();
    headless::turnWheel(-1);
    pump();
    EXPECT_EQ(edit->firstVisibleLine(), 3);
    headless::turnWheel(2);
    pump();
    EXPECT_EQ(edit->firstVisibleLine(), 0);
    window->setFocusControl(nullptr);
    headless::turnWheel(-1);
    pump();
    EXPECT_EQ(edit->firstVisibleLine(), 0);
}

TEST_F(EditTest, PagingStopsAtTheLastPageOfReadOnlyText) {
    auto* edit = openWith<Edit>(editElement(200, 100, false));
    edit->setText(numberedLines(40));  // 41 lines with the empty last one
    focus();
    const int visible = edit->visibleLines();
    ASSERT_GT(visible, 0);
    const int lines = static_cast<int>(edit->lines().size());
    for (int i = 0; i < 20; ++i) {
        key(win32::VK_NEXT);
    }
    EXPECT_EQ(edit->firstVisibleLine(), lines - visible);
    EXPECT_EQ(edit->caret(), static_cast<int32_t>(edit->text().size()));
    key(win32::VK_PRIOR);
    EXPECT_EQ(edit->firstVisibleLine(), lines - 2 * visible);
    key(win32::VK_HOME);
    EXPECT_EQ(edit->firstVisibleLine(), 0);
    EXPECT_EQ(edit->caret(), 0);
    key(win32::VK_END);
    EXPECT_EQ(edit->firstVisibleLine(), lines - visible);
}

TEST_F(EditTest, ReadOnlyTextIgnoresTypingAndCopiesNothing) {
    auto* edit = openWith<Edit>(editElement(200, 100, false));
    edit->setText(u"licence");
    focus();
    platform::setClipboardText(u"kept");
    ctrl('A');
    ctrl('C');
    EXPECT_EQ(clipboard(), u"kept");
    type(u"x");
    key(win32::VK_BACK);
    ctrl('V');
    ctrl('X');
    EXPECT_EQ(edit->text(), u"licence");
}

TEST_F(EditTest, ADragSelectsAcrossAWrappedLine) {
    open("<Window initSize=\"400,300\">" + editElement(80, 200) +
         "<Edit id=\"2\" width=\"80\" height=\"200\" horizontalAlign=\"left\" "
         "verticalAlign=\"top\" margin=\"200,0,0,0\"/></Window>");
    auto* edit = dynamic_cast<Edit*>(window->controlById(1));
    edit->setText(u"abcdefghijklmnopqrstuvwxyz0123456789");
    ASSERT_GT(edit->lines().size(), 1u);
    const Edit::Line first = edit->lines()[0];
    EXPECT_EQ(first.kind, Edit::Break::Wrapped);
    moveTo(6, 5 + edit->lineHeight() / 2);  // the start of the first line
    headless::pressButton();
    pump();
    moveTo(8, 5 + edit->lineHeight() + edit->lineHeight() / 2);   // into the second line
    moveTo(30, 5 + edit->lineHeight() + edit->lineHeight() / 2);  // past a glyph of any font
    headless::releaseButton();
    pump();
    EXPECT_EQ(edit->anchor(), 0);
    EXPECT_GE(edit->caret(), first.last + 1);
    ctrl('C');
    const std::u16string copied = clipboard();
    EXPECT_EQ(copied, edit->text().substr(0, static_cast<std::size_t>(edit->caret())));
    EXPECT_GT(copied.size(), static_cast<std::size_t>(first.last - first.first + 1));
}

TEST_F(EditTest, LocalRewrapAfterEditsMatchesAFreshWrap) {
    open("<Window initSize=\"400,300\">" + editElement(90, 200) +
         "<Edit id=\"2\" width=\"90\" height=\"200\" horizontalAlign=\"left\" "
         "verticalAlign=\"top\" margin=\"200,0,0,0\"/></Window>");
    auto* edit = dynamic_cast<Edit*>(window->controlById(1));
    edit->setText(u"The quick brown fox\r\njumps over the lazy dog and keeps running\nend");
    focus();
    expectLinesAsIfFresh(*edit);
    key(win32::VK_HOME);
    for (int i = 0; i < 5; ++i) {
        key(win32::VK_RIGHT);
    }
    type(u"WWWWWWWWWW");
    expectLinesAsIfFresh(*edit);
    for (int i = 0; i < 12; ++i) {
        key(win32::VK_BACK);
    }
    expectLinesAsIfFresh(*edit);
    key(win32::VK_DOWN);
    key(win32::VK_RETURN);
    expectLinesAsIfFresh(*edit);
    platform::setClipboardText(u"x\ny\r\nz wide wide wide wide");
    ctrl('V');
    expectLinesAsIfFresh(*edit);
}

TEST_F(EditTest, AMegabytePasteGoesInWholeAndTheLimitNeverSplitsAPair) {
    auto* edit = openWith<Edit>(editElement(300, 200));
    focus();
    std::u16string big;
    while (big.size() < (1u << 20)) {
        big += u"许可协议 licence text, line after line\r\n";
    }
    platform::setClipboardText(big);
    ctrl('V');
    EXPECT_EQ(edit->text().size(), big.size());
    EXPECT_EQ(edit->caret(), static_cast<int32_t>(big.size()));
    EXPECT_LE(edit->blocks().blockCount(), TextBlocks::kMaxBlocks);

    edit->setText(std::u16string(TextBlocks::kMaxLength - 1, u'a') + u"\U0001F600");
    EXPECT_EQ(edit->text().size(), TextBlocks::kMaxLength - 1);
    focus();
    key(win32::VK_END);
    type(u"b");
    EXPECT_EQ(edit->text().size(), TextBlocks::kMaxLength);
    type(u"c");
    EXPECT_EQ(edit->text().size(), TextBlocks::kMaxLength);
}

}  // namespace
}  // namespace tamlo::test

namespace tamlo::test {
namespace {

// An Edit in a ScrollPanel: the panel's bar counts lines and moves the text, and the
// text's own scrolling moves the bar.
TEST_F(EditTest, ItsScrollBarCountsLinesAndBothSidesMoveTogether) {
    open(
        "<Window initSize=\"400,300\"><ScrollPanel id=\"3\" width=\"200\" height=\"100\" "
        "horizontalAlign=\"left\" verticalAlign=\"top\"><Edit id=\"1\" texteditable=\"0\"/>"
        "</ScrollPanel></Window>");
    auto* panel = dynamic_cast<dui::ScrollPanel*>(window->controlById(3));
    auto* edit = dynamic_cast<Edit*>(window->controlById(1));
    ASSERT_TRUE(panel != nullptr && edit != nullptr);
    EXPECT_EQ(panel->verticalBar(), nullptr);  // nothing to scroll yet

    edit->setText(numberedLines(40));  // 41 lines: the bar appears and narrows the text
    pump();
    dui::ScrollBar* bar = panel->verticalBar();
    ASSERT_NE(bar, nullptr);
    const int lines = static_cast<int>(edit->lines().size());
    const int visible = edit->visibleLines();
    EXPECT_EQ(bar->total(), lines);
    EXPECT_EQ(bar->page(), visible);
    EXPECT_TRUE(bar->isEnabled());
    EXPECT_EQ(edit->rect().right, bar->rect().left);
    EXPECT_EQ(bar->rect().right, 200);

    // The down arrow steps one line at once.
    Rect barRect;
    ASSERT_TRUE(bar->absoluteRect(barRect));
    const Rect arrow = bar->downArrowRect();
    moveTo(barRect.left + arrow.left + 2, barRect.top + arrow.top + 2);
    headless::click();
    pump();
    EXPECT_EQ(edit->firstVisibleLine(), 1);
    EXPECT_EQ(bar->position(), 1);

    // Keys in the text move the bar; a page on the track moves the text.
    focus();
    key(win32::VK_END);
    EXPECT_EQ(edit->firstVisibleLine(), lines - visible);
    EXPECT_EQ(bar->position(), lines - visible);
    moveTo(barRect.left + 5, barRect.top + bar->upArrowRect().bottom + 1);  // the track's top
    headless::click();
    pump();
    EXPECT_EQ(edit->firstVisibleLine(), lines - 2 * visible);
    EXPECT_EQ(bar->position(), edit->firstVisibleLine());

    // Dragging the thumb far below the bar stops at the last page.
    const Rect thumb = bar->thumbRect();
    moveTo(barRect.left + 5, barRect.top + thumb.top + 2);
    headless::pressButton();
    pump();
    moveTo(barRect.left + 5, barRect.top + 5000);
    headless::releaseButton();
    pump();
    EXPECT_EQ(edit->firstVisibleLine(), lines - visible);

    // Short text again: the bar goes and the text takes the whole width.
    edit->setText(u"short");
    pump();
    EXPECT_EQ(panel->verticalBar(), nullptr);
    EXPECT_EQ(edit->rect().right, 200);
    EXPECT_EQ(edit->firstVisibleLine(), 0);
}

}  // namespace
}  // namespace tamlo::test
