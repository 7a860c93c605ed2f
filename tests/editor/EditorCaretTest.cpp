// The caret and its movement keys on a real editor: keys posted through the application's loop,
// modifiers by the keyboard state, the controller's selection and the system caret read back.

#include "EditorKeyTestSupport.h"
#include "MenuArming.h"
#include "support/KeyInput.h"
#include "afw/unicode/afUnicode.h"
#include "editor/EditorBatch.h"
#include "editor/EditorCaret.h"
#include "editor/EditorCaretMoves.h"
#include "editor/EditorCmd.h"
#include "service/document/controller/Selection.h"

#include <gtest/gtest.h>

using namespace tessel_test;
using tessel::TextPosition;

namespace {

class EditorCaretTest : public EditorKeyTest {
protected:
    // Word wrap at the right margin, that many columns from the left.
    void wrapAt(int32_t columns) {
        setPreset([columns](tessel::FacePreset& p) {
            p.wordWrap = p.boundaryBreak = true;
            p.boundary = columns;
        });
    }
};

TEST_F(EditorCaretTest, WordRightStopsAtEachWordAndPunctuation) {
    attach(L"foo.bar  baz\nnext");
    std::vector<int32_t> stops;
    for (int i = 0; i < 5; ++i) {
        press(VK_RIGHT, {VK_CONTROL});
        stops.push_back(caret().lineOffset);
    }
    EXPECT_EQ((std::vector<int32_t>{3, 4, 7, 9, 12}), stops);
    press(VK_RIGHT, {VK_CONTROL});
    EXPECT_EQ(TextPosition(1, 0), caret()) << "at the line's end a word move goes to the next line";
    press(VK_LEFT, {VK_CONTROL});
    EXPECT_EQ(TextPosition(0, 12), caret());
}

// The caret steps over what a reader sees as one character: an emoji, a family joined by ZWJ,
// a flag's two letters, an emoji with its skin tone, a letter with its mark; the word moves
// stop only where characters start.
TEST_F(EditorCaretTest, TheCaretStepsOverWholeCharacters) {
    const std::wstring family = L"\U0001F468\u200D\U0001F469\u200D\U0001F467";
    const std::wstring flags = L"\U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EA";
    attach(L"a" + family + L"b" + flags + L"\U0001F44D\U0001F3FDe\u0301\U0001F600z");
    std::vector<int32_t> stops;
    for (int i = 0; i < 8; ++i) {
        press(VK_RIGHT);
        stops.push_back(caret().lineOffset);
    }
    EXPECT_EQ((std::vector<int32_t>{1, 9, 10, 14, 18, 22, 24, 26}), stops);
    std::vector<int32_t> back;
    for (int i = 0; i < 8; ++i) {
        press(VK_LEFT);
        back.push_back(caret().lineOffset);
    }
    EXPECT_EQ((std::vector<int32_t>{24, 22, 18, 14, 10, 9, 1, 0}), back);
    place(0, 1);
    press(VK_RIGHT, {VK_SHIFT});
    EXPECT_EQ(TextPosition(0, 9), caret()) << "Shift+Right selects the family whole";
    // Word moves: the family is one stop, not one at each of its emoji.
    place(0, 1);
    press(VK_RIGHT, {VK_CONTROL});
    EXPECT_EQ(TextPosition(0, 9), caret());
}

TEST_F(EditorCaretTest, HomeAndEndToggleBetweenTextAndLineEnds) {
    attach(L"    abc\nabc   ");
    struct Step {
        int key;
        TextPosition from;
        std::vector<int32_t> offsets;
    } steps[] = {
        {VK_HOME, {0, 6}, {4, 0, 4}},
        {VK_END, {1, 0}, {3, 6, 3}},
    };
    for (const Step& step : steps) {
        place(step.from.line, step.from.lineOffset);
        std::vector<int32_t> seen;
        for (size_t i = 0; i < step.offsets.size(); ++i) {
            press(step.key);
            seen.push_back(caret().lineOffset);
        }
        EXPECT_EQ(step.offsets, seen) << "key " << step.key;
    }
}

TEST_F(EditorCaretTest, EndsOfTheDocumentHoldOrStepIntoVirtualSpace) {
    attach(L"abc\nxyz");
    struct Case {
        TextPosition from;
        int key;
        std::initializer_list<int> modifiers;
        TextPosition to;
    } cases[] = {
        {{1, 3}, VK_RIGHT, {}, {1, 3}},
        {{1, 3}, VK_RIGHT, {VK_MENU}, {1, 4}},
        {{0, 0}, VK_LEFT, {}, {0, 0}},
        {{1, 0}, VK_LEFT, {VK_MENU}, {1, 0}},
        {{1, 0}, VK_LEFT, {}, {0, 3}},
        {{0, 3}, VK_RIGHT, {}, {1, 0}},
        {{0, 2}, VK_UP, {}, {0, 0}},
        {{1, 1}, VK_DOWN, {}, {1, 3}},
        {{0, 1}, VK_END, {VK_CONTROL}, {1, 3}},
        {{1, 1}, VK_HOME, {VK_CONTROL}, {0, 0}},
    };
    for (const Case& c : cases) {
        place(c.from.line, c.from.lineOffset);
        press(c.key, c.modifiers);
        EXPECT_EQ(c.to, caret()) << "key " << c.key << " from " << c.from.line << ":" << c.from.lineOffset
                                 << " reached " << caret().line << ":" << caret().lineOffset;
    }
    place(1, 3);
    press(VK_RIGHT, {VK_MENU});
    press(VK_RIGHT, {VK_MENU});
    EXPECT_EQ(TextPosition(1, 5), caret()) << "one virtual column a press";
    EXPECT_EQ(TextPosition(1, 3), anchor());
}

// Alt with a key the editor takes (Alt+Down: a caret on two rows), then a character: the menu
// bar stays alone and the character goes into the text, whether Alt goes up after the other key
// or before it. Alt alone still arms the menu bar. The keys come from the keyboard, so that the
// system makes its own messages of them, Alt's release among them.
TEST_F(EditorCaretTest, ReleasingAltAfterAKeyTheEditorTookArmsNoMenu) {
    MenuArming arming(window->getHandle());
    attach(L"abc\ndef\nghi");
    // The chord, then a character; the loop runs until the character is in the text.
    const auto chordThenType = [&](bool rolled, std::initializer_list<WORD> chord, wchar_t typed) {
        ASSERT_TRUE(rolled ? rollChord(chord) : pressChord(chord));
        ASSERT_TRUE(tessel_test::typeKeys(std::wstring(1, typed)));
        ASSERT_TRUE(pumpApp([&] { return text().find(typed) != std::wstring::npos; }))
            << "the keys never arrived: the window has no keyboard focus";
    };
    chordThenType(true, {VK_MENU, VK_DOWN}, L'1');
    EXPECT_EQ(0, arming.count()) << "Alt released before Down armed the menu bar";
    EXPECT_EQ(L"1abc\n1def\nghi", text()) << "the character typed on both rows";
    chordThenType(true, {VK_MENU, VK_UP}, L'2');
    chordThenType(true, {VK_MENU, VK_LEFT}, L'3');
    chordThenType(false, {VK_MENU, VK_RIGHT}, L'4');
    EXPECT_EQ(0, arming.count()) << "nor after Alt+Up, Alt+Left or Alt+Right";
    chordThenType(false, {VK_MENU}, L'5');
    EXPECT_EQ(1, arming.count()) << "Alt alone arms the menu bar";
    chordThenType(true, {VK_MENU, VK_DOWN}, L'6');
    EXPECT_EQ(1, arming.count());
}

TEST_F(EditorCaretTest, ASelectionCollapsesBeforeAMove) {
    attach(L"abcdef\nabcdef\nabcdef");
    place(0, 1);
    press(VK_RIGHT, {VK_SHIFT});
    press(VK_RIGHT, {VK_SHIFT});
    EXPECT_EQ(TextPosition(0, 1), anchor());
    EXPECT_EQ(TextPosition(0, 3), caret());
    press(VK_LEFT);
    EXPECT_EQ(TextPosition(0, 1), caret()) << "Left only collapses to the start";
    EXPECT_EQ(caret(), anchor());
    press(VK_RIGHT, {VK_SHIFT});
    press(VK_DOWN);
    EXPECT_EQ(TextPosition(1, 2), caret()) << "Down collapses to the end, then moves";
    EXPECT_EQ(caret(), anchor());
}

TEST_F(EditorCaretTest, VerticalMovesKeepTheRememberedColumn) {
    attach(L"abcdef\nab\nabcdef");
    place(0, 5);
    press(VK_RIGHT);
    press(VK_LEFT);
    press(VK_DOWN);
    EXPECT_EQ(TextPosition(1, 2), caret());
    press(VK_DOWN);
    EXPECT_EQ(TextPosition(2, 5), caret());
    press(VK_UP, {VK_SHIFT});
    press(VK_UP, {VK_SHIFT});
    EXPECT_EQ(TextPosition(0, 5), caret());
    EXPECT_EQ(TextPosition(2, 5), anchor());
}

TEST_F(EditorCaretTest, WrappedLinesMoveByDisplayLines) {
    std::wstring words;
    for (int i = 0; i < 30; ++i)
        words += L"word ";
    attach(words + L"\nnext");
    wrapAt(20);
    afUnicodeData* data = editor->getLineCache()->getLayout(0);
    ASSERT_NE(nullptr, data);
    const int32_t second = editor->getLayout()->sublineStart(*data, 1);
    const int32_t third = editor->getLayout()->sublineStart(*data, 2);
    ASSERT_GT(second, 2);
    ASSERT_GT(third, second + 2) << "the line wraps into three display lines at least";
    place(0, 2);
    press(VK_DOWN);
    EXPECT_EQ(TextPosition(0, second + 2), caret());
    press(VK_DOWN);
    EXPECT_EQ(TextPosition(0, third + 2), caret());
    press(VK_UP);
    EXPECT_EQ(TextPosition(0, second + 2), caret());
    press(VK_HOME);
    EXPECT_EQ(TextPosition(0, second), caret()) << "Home goes to the display line's start first";
    press(VK_HOME);
    EXPECT_EQ(TextPosition(0, 0), caret());
}

// Wrapped at the window's edge, a row of letters filling it keeps its blank past the edge: End
// there puts the system caret at the row's right end, where the typing goes, and not where it
// stood before.
TEST_F(EditorCaretTest, EndOnARowWhoseBlankPassesTheEdgeShowsTheCaretThere) {
    attach(L"x\nnext");
    setPreset([](tessel::FacePreset& p) { p.wordWrap = true; });
    const int32_t text = clientWidth - editor->getGutterWidth() - editor->getTextLeft();
    ASSERT_EQ(text, editor->getLayout()->getWrapWidth()) << "wrapped at the window's edge";
    const int32_t columns = text / charWidth;
    attach(std::wstring(columns, L'x') + L" yyy\nnext");
    setPreset([](tessel::FacePreset& p) { p.wordWrap = true; });
    afUnicodeData* data = editor->getLineCache()->getLayout(0);
    ASSERT_NE(nullptr, data);
    ASSERT_EQ(2, data->sublineCount());
    ASSERT_EQ(columns + 1, editor->getLayout()->sublineStart(*data, 1)) << "the blank stays on the first row";
    place(0, 0);
    POINT start = {-1, -1};
    ::GetCaretPos(&start);
    press(VK_END);
    EXPECT_EQ(TextPosition(0, columns + 1), caret());
    POINT end = {-1, -1};
    ::GetCaretPos(&end);
    EXPECT_EQ(start.y, end.y) << "on the row it ends";
    EXPECT_GE(end.x, clientWidth - 2 * charWidth) << "at the row's right end";
    EXPECT_LT(end.x, clientWidth);
}

// Each End stays on the row it was pressed on: the end of that row, drawn there, then the last
// non-blank character, then the line's true end.
TEST_F(EditorCaretTest, EndOnAWrappedLineStopsAtTheEndOfItsRow) {
    std::wstring line;
    while (line.size() < 280)
        line += L"word ";
    line += L"last  ";
    attach(line + L"\nnext");
    wrapAt(40);
    afUnicodeData* data = editor->getLineCache()->getLayout(0);
    ASSERT_NE(nullptr, data);
    ASSERT_GE(data->sublineCount(), 7) << "the line wraps at 40 columns";
    const int32_t second = editor->getLayout()->sublineStart(*data, 1);
    const int32_t third = editor->getLayout()->sublineStart(*data, 2);
    const int32_t lastRow = data->sublineCount() - 1;
    const int32_t trimmed = static_cast<int32_t>(line.size()) - 2;
    // The row the system caret is drawn on, and its x.
    const auto shown = [&] {
        POINT point = {-1, -1};
        ::GetCaretPos(&point);
        return std::make_pair(point.y / lineHeight, point.x);
    };
    place(0, 0);
    press(VK_END);
    EXPECT_EQ(TextPosition(0, second), caret());
    EXPECT_EQ(0, shown().first) << "drawn at the end of the first row, not the start of the second";
    EXPECT_GT(shown().second, 30 * charWidth);
    press(VK_END);
    EXPECT_EQ(TextPosition(0, trimmed), caret()) << "then the last non-blank character";
    EXPECT_EQ(lastRow, shown().first);
    press(VK_END);
    EXPECT_EQ(TextPosition(0, static_cast<int32_t>(line.size())), caret()) << "then the true end";
    press(VK_END);
    EXPECT_EQ(TextPosition(0, trimmed), caret());

    place(0, second + 1);
    press(VK_END);
    EXPECT_EQ(TextPosition(0, third), caret());
    EXPECT_EQ(1, shown().first) << "End on the second row ends that row";
    press(VK_DOWN);
    EXPECT_EQ(2, shown().first) << "Down from a row's end goes to the row below it";
    press(VK_HOME);
    EXPECT_EQ(TextPosition(0, third), caret()) << "Home goes to that row's start";
    EXPECT_EQ(2, shown().first);

    // Stepping right over a wrap point still shows the caret at the next row's start.
    place(0, second - 1);
    press(VK_RIGHT);
    EXPECT_EQ(TextPosition(0, second), caret());
    EXPECT_EQ(1, shown().first);
}

TEST_F(EditorCaretTest, PagesMoveByTheVisibleRows) {
    attach(numberedLines(100));
    const int32_t rows = editor->getVisibleLines();
    press(VK_NEXT);
    EXPECT_EQ(rows, caret().line);
    EXPECT_LE(editor->getTop().line, rows);
    EXPECT_GE(editor->getBottom().line, rows) << "the caret scrolled into view";
    press(VK_END, {VK_CONTROL});
    EXPECT_EQ(99, editor->getBottom().line);
    press(VK_PRIOR);
    EXPECT_EQ(99 - rows, caret().line);
}

TEST_F(EditorCaretTest, TheSystemCaretFollowsThePositionAndHidesOffScreen) {
    attach(numberedLines(100));
    place(3, 4);
    POINT expected = {};
    ASSERT_TRUE(editor->caretPoint(&expected));
    POINT shown = {};
    ASSERT_TRUE(::GetCaretPos(&shown));
    EXPECT_EQ(expected.x, shown.x);
    EXPECT_EQ(expected.y, shown.y);
    EXPECT_EQ(3 * lineHeight, shown.y);
    EXPECT_TRUE(editor->getCaret()->isShown());
    {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_READ);
        tessel::EditorBatch batch(*editor);
        editor->scrollTo(0, 50, 0, false);
    }
    EXPECT_FALSE(editor->getCaret()->isShown()) << "scrolled away, the caret hides";
    ::SetFocus(nullptr);
    EXPECT_FALSE(editor->getCaret()->isCreated());
}

TEST_F(EditorCaretTest, DetachedTheCaretKeysFallThrough) {
    attach(L"abc");
    editor->attachController(nullptr);
    EXPECT_FALSE(tessel::runCaretCommand(*editor, tessel::selection_ids::CARET, tessel::MOVE_CHAR_RIGHT, 0));
    afAction* action = afFindAction(L"caret.move.char.right", afApp::getActionRegistry());
    ASSERT_NE(nullptr, action);
    afActionEvent event;
    EXPECT_FALSE(action->run(event));
    EXPECT_EQ(nullptr, editor->getCommandHandler()->getController());
}

} // namespace

namespace {

using EditorScrollTest = EditorKeyTest;

TEST_F(EditorScrollTest, WheelAndScrollBarsMoveTheView) {
    attach(numberedLines(100));
    const int32_t rows = editor->getVisibleLines();
    ASSERT_EQ(20, rows);
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    ASSERT_TRUE(::GetScrollInfo(editor->getHandle(), SB_VERT, &info));
    EXPECT_EQ(0, info.nMin);
    EXPECT_EQ(119, info.nMax);
    EXPECT_EQ(20u, info.nPage);
    ::SendMessageW(editor->getHandle(), WM_MOUSEWHEEL, MAKEWPARAM(0, -240), 0);
    EXPECT_EQ(2 * tessel::Editor::wheelLinesPerNotch(), editor->getTop().line) << "240 is two notches";
    struct Case {
        WPARAM request;
        int32_t top;
    } cases[] = {{SB_TOP, 0}, {SB_LINEDOWN, 1}, {SB_PAGEDOWN, 21}, {SB_LINEUP, 20}, {SB_PAGEUP, 0},
                 {MAKEWPARAM(SB_THUMBPOSITION, 0), 0}, {SB_BOTTOM, 99}};
    for (const Case& c : cases) {
        ::SendMessageW(editor->getHandle(), WM_VSCROLL, c.request, 0);
        EXPECT_EQ(c.top, editor->getTop().line) << "request " << c.request;
    }
    EXPECT_EQ(TextPosition(0, 0), caret()) << "scrolling leaves the caret";
}

// Whether the view shows the caret's row.
static bool showsCaret(tessel::Editor& editor, const TextPosition& caret) {
    return editor.getTop().line <= caret.line && caret.line <= editor.getBottom().line;
}

// Undo restores Select All's selection, whose flags keep the view where it is: the caret at the
// end of 200 000 lines is shown all the same, and a caret key shows a caret that stays put.
TEST_F(EditorScrollTest, UndoAndCaretKeysShowTheCaretWhereverTheViewWas) {
    attach(numberedLines(200000));
    press('A', {VK_CONTROL});
    EXPECT_EQ(0, editor->getTop().line) << "Select All keeps the view";
    press(VK_DELETE);
    EXPECT_EQ(L"", text());
    press('Z', {VK_CONTROL});
    ASSERT_EQ(TextPosition(199999, 11), caret());
    EXPECT_TRUE(showsCaret(*editor, caret())) << "the view stayed at line " << editor->getTop().line;
    const auto scrollToTop = [&] {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_READ);
        tessel::EditorBatch batch(*editor);
        editor->scrollTo(0, 0, 0, false);
    };
    scrollToTop();
    press(VK_END, {VK_CONTROL});
    EXPECT_EQ(TextPosition(199999, 11), caret());
    EXPECT_EQ(199999, editor->getBottom().line) << "Ctrl+End shows the last line, though the caret was there";
    scrollToTop();
    press(VK_LEFT);
    EXPECT_TRUE(showsCaret(*editor, caret())) << "a caret key shows the caret it moved";
}

TEST_F(EditorScrollTest, CaretFlagsCentreOrHoldTheView) {
    attach(numberedLines(200));
    {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_READ);
        controller->getSelection().set(TextPosition(100, 0), TextPosition(100, 0), 9, tessel::selection_ids::CARET);
    }
    EXPECT_EQ(100 - editor->getVisibleLines() / 2, editor->getTop().line) << "flags 9 centre the caret's row";
    {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_READ);
        controller->getSelection().set(TextPosition(5, 0), TextPosition(5, 0), 4, tessel::selection_ids::CARET);
    }
    EXPECT_EQ(100 - editor->getVisibleLines() / 2, editor->getTop().line) << "flags 4 do not scroll";
}

} // namespace
