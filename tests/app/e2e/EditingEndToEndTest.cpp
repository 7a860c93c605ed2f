// Editing in Tessel.exe as a user meets it: a snippet typed after an undone Tab, End on
// word-wrapped rows, the view after undoing a Delete of everything, Alt held for a column drag,
// a block pasted over a rectangle, Alt's release after a rectangle key, emoji, flags and families
// joined by ZWJ deleted and double-clicked whole, Backspace and Delete at a column of carets, and
// a file opened read-only from the open dialog. Keys and the mouse go through SendInput; what
// happened is read back from the saved bytes, the titles, the system caret and the pixels.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <memory>

namespace tessel_test {
namespace {

using EditingEndToEnd = TesselCopyTest;

// Whether the window's thread is in a menu's loop: the menu bar armed, or a menu open.
bool inMenuMode(HWND window) {
    return (threadInputOf(window).flags & GUI_INMENUMODE) != 0;
}

TEST_F(EditingEndToEnd, ASnippetAfterAnUndoneTabIsIndentedByItsLine) {
    const std::string old = "int f(void)\r\n{\r\n    puts(\"x\");\r\n}\r\n";
    copy.folder.write(L"undo.c", old);
    TesselRun tessel(copy, L"undo.c");
    ASSERT_TRUE(tessel.colouredAndFocused());
    // At the end of the puts line, Tab twice (two blanks to the tab stop, then four), Ctrl+Z
    // (the four go), End (back before the two blanks left), Enter, "for", Tab.
    const HWND editor = tessel.editor();
    for (WORD key : {VK_DOWN, VK_DOWN, VK_END, VK_TAB, VK_TAB})
        ASSERT_TRUE(pressChordIn(editor, {key}));
    ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, 'Z'}));
    ASSERT_TRUE(pressChordIn(editor, {VK_END}));
    ASSERT_TRUE(pressChordIn(editor, {VK_RETURN}));
    ASSERT_TRUE(activate(editor) && typeKeys(L"for"));
    ASSERT_TRUE(pressChordIn(editor, {VK_TAB}));
    EXPECT_EQ("int f(void)\r\n{\r\n    puts(\"x\");\r\n"
              "    for (size_t i = 0; i < count; ++i) {\r\n"
              "        \r\n"
              "    }\r\n"
              "}\r\n",
              savedText(tessel, L"undo.c", old));
}

// Typed as a user types, the keys through the program's loop: a comment with an apostrophe at
// the end of a line above others (once the comment shows its colour), a string closed at the end
// of its line, Ctrl+Shift+Alt+A on an indented line (Tab then indents what it selected) and
// Ctrl+T at the end of the last line; what is saved is what was typed.
TEST_F(EditingEndToEnd, QuotesAtLineEndsSelectIndentLevelAndTransposeSaveAsTyped) {
    const std::string old = "int a;\r\nchar *s = \"abc\r\nif (a) {\r\n    b();\r\n    c();\r\n}\r\nab";
    copy.folder.write(L"keys.c", old);
    TesselRun tessel(copy, L"keys.c");
    ASSERT_TRUE(tessel.colouredAndFocused());
    const HWND editor = tessel.editor();
    ASSERT_TRUE(pressChordIn(editor, {VK_END}));
    ASSERT_TRUE(activate(editor) && typeKeys(L" //"));
    constexpr uint32_t COMMENT_GREEN = 0x5E7A3A;
    ASSERT_TRUE(pollFor([&] { return Capture::of(editor).count(COMMENT_GREEN, 8) >= 6; }, WAIT_MS, 20))
        << "the comment was never coloured";
    ASSERT_TRUE(activate(editor) && typeKeys(L" it's the count"));
    for (WORD key : {VK_DOWN, VK_END})
        ASSERT_TRUE(pressChordIn(editor, {key}));
    ASSERT_TRUE(activate(editor) && typeKeys(L"\";"));
    for (WORD key : {VK_DOWN, VK_DOWN})
        ASSERT_TRUE(pressChordIn(editor, {key}));
    ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, VK_SHIFT, VK_MENU, 'A'}));
    ASSERT_TRUE(pressChordIn(editor, {VK_TAB}));
    ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, VK_END}));
    ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, 'T'}));
    EXPECT_EQ("int a; // it's the count\r\nchar *s = \"abc\";\r\nif (a) {\r\n        b();\r\n        c();\r\n}\r\nba",
              savedText(tessel, L"keys.c", old));
}

TEST_F(EditingEndToEnd, EndOnAWrappedLineShowsTheCaretAtTheEndOfItsRow) {
    writeFace(copy, "word_wrap : true boundary : 40 boundary_break : true");
    std::string line;
    while (line.size() < 280)
        line += "word ";
    line += "last  ";
    copy.folder.write(L"wrap.txt", line + "\r\nnext\r\n");
    TesselRun tessel(copy, L"wrap.txt");
    ASSERT_TRUE(tessel.hasTitle(L"wrap.txt - Tessel"));
    ASSERT_TRUE(tessel.focusEditor());
    const HWND editor = tessel.editor();
    RECT caret = {};
    ASSERT_TRUE(shownCaret(editor, &caret)) << "no caret shown";
    const LONG rowHeight = caret.bottom - caret.top;
    const LONG start = caret.left;
    const double w = characterWidth();
    // Each End, and the row and column the caret is drawn at after it.
    ASSERT_TRUE(pressChordIn(editor, {VK_END}));
    EXPECT_TRUE(pollFor([&] { return (caret = caretOf(editor)).left > start + 30 * w; }, WAIT_MS))
        << "the caret stayed at x " << caret.left;
    EXPECT_EQ(0, caret.top / rowHeight) << "drawn at the end of the first row, not the start of the second";
    ASSERT_TRUE(pressChordIn(editor, {VK_END}));
    EXPECT_TRUE(pollFor([&] { return (caret = caretOf(editor)).top / rowHeight > 1; }, WAIT_MS))
        << "the second End stayed on row " << caret.top / rowHeight;
    const LONG lastRow = caret.top / rowHeight;
    const LONG lastText = caret.left;
    ASSERT_TRUE(pressChordIn(editor, {VK_END}));
    EXPECT_TRUE(pollFor([&] { return (caret = caretOf(editor)).left > lastText; }, WAIT_MS))
        << "the third End goes behind the two blanks";
    EXPECT_EQ(lastRow, caret.top / rowHeight);
    EXPECT_NEAR(lastText + 2 * w, caret.left, 1.0);
}

// The file is blank above its last 60 lines of text: the view shows ink only when it shows
// the end. No line numbers, so that the gutter stays blank too.
TEST_F(EditingEndToEnd, UndoAndCtrlEndShowTheCaretAtTheEndOfALargeFile) {
    writeFace(copy, "gutter_line_numbers : false");
    std::string text(200000, '\n');
    for (int i = 0; i < 60; ++i)
        text += std::string(150, 'x') + "\n";
    copy.folder.write(L"large.txt", text);
    TesselRun tessel(copy, L"large.txt");
    ASSERT_TRUE(tessel.hasTitle(L"large.txt - Tessel"));
    ASSERT_TRUE(tessel.focusEditor());
    const HWND editor = tessel.editor();
    Capture capture;
    const auto shows = [&](bool text) {
        return pollFor([&] { return (inkOf(capture = Capture::of(editor)) > 2000) == text; }, WAIT_MS, 20);
    };
    ASSERT_TRUE(shows(false)) << "the top is blank; the capture is in " << keepCapture(capture, "top");
    ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, 'A'}));
    ASSERT_TRUE(pressChordIn(editor, {VK_DELETE}));
    ASSERT_TRUE(tessel.hasTitle(L"large.txt * - Tessel"));
    ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, 'Z'}));
    EXPECT_TRUE(shows(true)) << "after Ctrl+Z the view stayed away from the caret at the end; the capture is in "
                             << keepCapture(capture, "undone");
    // The view scrolled back to the top, the caret left at the end: Ctrl+End shows it.
    ::PostMessageW(editor, WM_VSCROLL, SB_TOP, 0);
    ASSERT_TRUE(shows(false)) << "the scroll bar's request did not reach the view";
    ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, VK_END}));
    EXPECT_TRUE(shows(true)) << "Ctrl+End did not scroll; the capture is in " << keepCapture(capture, "end");
}

TEST_F(EditingEndToEnd, ReleasingAltAfterAColumnDragLeavesTheMenuBarAlone) {
    copy.folder.write(L"alt.txt", "abcdef\r\nghijkl\r\nmnopqr\r\n");
    TesselRun tessel(copy, L"alt.txt");
    ASSERT_TRUE(tessel.hasTitle(L"alt.txt - Tessel"));
    TextGrid grid;
    ASSERT_TRUE(readTextGrid(tessel, &grid));
    const HWND editor = grid.editor;
    // From the second character of the first line to the fifth of the second, the pointer
    // resting where the drag starts before Alt goes down, so that the press brings no news of
    // the keyboard that would let Alt go (app/e2e/ChordInput.h).
    const POINT from = grid.at(1.5, 0);
    ASSERT_TRUE(activate(editor));
    ASSERT_EQ("", settleKeyboard(editor, &from));
    ASSERT_TRUE(holdKey(VK_MENU, true));
    ASSERT_TRUE(dragAt(from, grid.at(4.5, 1), editor));
    // The selection reaches the drag's end (the theme's selection over white) before Alt goes
    // up, and it is a rectangle: the second line's first character stays out.
    Capture capture;
    const auto selected = [&](int column, int row) {
        const RECT cell = grid.cell(column, row);
        return capture.count(cell, SELECTED, 12) * 3 > (cell.right - cell.left) * (cell.bottom - cell.top);
    };
    const bool reached = pollFor(
        [&] {
            capture = Capture::of(editor);
            return selected(2, 0) && selected(3, 1);
        },
        WAIT_MS, 20);
    ASSERT_TRUE(holdKey(VK_MENU, false));
    ASSERT_TRUE(reached) << "the drag selected nothing; the capture is in " << keepCapture(capture, "alt-drag");
    ASSERT_FALSE(selected(0, 1)) << "the drag selected lines, not a rectangle; the capture is in "
                                 << keepCapture(capture, "alt-drag");
    // An armed menu bar would take the character.
    ASSERT_TRUE(activate(editor) && typeKeys(L"z"));
    EXPECT_TRUE(tessel.hasTitle(L"alt.txt * - Tessel")) << "the typed character went elsewhere";
    EXPECT_FALSE(inMenuMode(editor)) << "the menu bar is armed";
    // Alt alone, next, still arms it.
    ASSERT_TRUE(pressChordIn(editor, {VK_MENU}));
    EXPECT_TRUE(pollFor([&] { return inMenuMode(editor); }, WAIT_MS)) << "Alt alone left the menu bar alone";
    ASSERT_TRUE(pressChord({VK_ESCAPE}));
}

TEST_F(EditingEndToEnd, ABlockPastedOverARectangleGivesEachRowItsLine) {
    const std::string old = "r0 AAA\r\nr1 BBB\r\nr2 CCC\r\nr3 DDD\r\nr4\r\nr5\r\nr6 tail\r\n";
    std::unique_ptr<TesselRun> tessel;
    ASSERT_TRUE(startFocused(copy, L"d.txt", old, tessel));
    const HWND editor = tessel->editor();
    // A rectangle of the column at the given offset on the first four lines: Ctrl+Home, Right
    // that many times, Alt+Down three times, Alt+Right.
    const auto rectangleAt = [&](int column) {
        ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, VK_HOME}));
        for (int i = 0; i < column; ++i)
            ASSERT_TRUE(pressChordIn(editor, {VK_RIGHT}));
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(pressChordIn(editor, {VK_MENU, VK_DOWN}));
        ASSERT_TRUE(pressChordIn(editor, {VK_MENU, VK_RIGHT}));
    };
    // The digits of the rows copied, then pasted over the letters after the space.
    rectangleAt(1);
    ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, 'C'}));
    rectangleAt(4);
    ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, 'V'}));
    ASSERT_TRUE(tessel->hasTitle(L"d.txt * - Tessel"));
    EXPECT_EQ("r0 A0A\r\nr1 B1B\r\nr2 C2C\r\nr3 D3D\r\nr4\r\nr5\r\nr6 tail\r\n", savedText(*tessel, L"d.txt", old));
}

// The rectangle keys played as a quick hand plays them, Alt let go before the arrow: each leaves
// the next key to the text, not to the menu bar.
TEST_F(EditingEndToEnd, ReleasingAltAfterARectangleKeyLeavesTheKeyboardToTheText) {
    const std::string old = "abc\r\ndef\r\n";
    std::unique_ptr<TesselRun> tessel;
    ASSERT_TRUE(startFocused(copy, L"keys.txt", old, tessel));
    const HWND editor = tessel->editor();
    // Alt+Down (a caret on both lines), then a key: an armed menu bar would take it.
    ASSERT_TRUE(rollChordIn(editor, {VK_MENU, VK_DOWN}) && typeKeys(L"1"));
    ASSERT_TRUE(tessel->hasTitle(L"keys.txt * - Tessel")) << "the typed character went elsewhere";
    EXPECT_FALSE(inMenuMode(editor)) << "the menu bar is armed";
    // Alt+Left takes in the two ones, which the next key replaces; after Alt+Up the rows stay.
    ASSERT_TRUE(rollChordIn(editor, {VK_MENU, VK_LEFT}) && typeKeys(L"2"));
    ASSERT_TRUE(rollChordIn(editor, {VK_MENU, VK_UP}) && typeKeys(L"3"));
    EXPECT_EQ("23abc\r\n23def\r\n", savedText(*tessel, L"keys.txt", old));
    EXPECT_FALSE(inMenuMode(editor));
    // Alt alone still arms the menu bar, and Alt with a menu's letter still opens its menu.
    ASSERT_TRUE(pressChordIn(editor, {VK_MENU}));
    EXPECT_TRUE(pollFor([&] { return inMenuMode(editor); }, WAIT_MS)) << "Alt alone left the menu bar alone";
    ASSERT_TRUE(pressChord({VK_ESCAPE}));
    ASSERT_TRUE(pollFor([&] { return !inMenuMode(editor); }, WAIT_MS));
    ASSERT_TRUE(pressChordIn(editor, {VK_MENU, 'F'}));
    EXPECT_TRUE(tessel->hasOpenMenus(1)) << "Alt+F opened no menu";
    ASSERT_TRUE(pressChord({VK_ESCAPE}) && pressChord({VK_ESCAPE}));
    EXPECT_TRUE(pollFor([&] { return !inMenuMode(editor); }, WAIT_MS));
}

// What a reader sees as one character, in UTF-8.
const std::string SMILE = "\xF0\x9F\x98\x80";
const std::string FRANCE = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7";
const std::string GERMANY = "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";
const std::string FAMILY = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";

// Backspace after an emoji or a flag takes it whole: the save that follows is not refused.
TEST_F(EditingEndToEnd, BackspaceAfterAnEmojiOrAFlagTakesItWhole) {
    const std::string old = "emoji " + SMILE + SMILE + " end\r\nnext\r\na" + FRANCE + GERMANY + "b";
    std::unique_ptr<TesselRun> tessel;
    ASSERT_TRUE(startFocused(copy, L"emoji.txt", old, tessel));
    const HWND editor = tessel->editor();
    for (WORD key : {VK_END, VK_LEFT, VK_LEFT, VK_LEFT, VK_LEFT, VK_BACK})
        ASSERT_TRUE(pressChordIn(editor, {key}));
    // The third line: Home, over the a and the first flag, Backspace.
    for (WORD key : {VK_DOWN, VK_DOWN, VK_HOME, VK_RIGHT, VK_RIGHT, VK_BACK})
        ASSERT_TRUE(pressChordIn(editor, {key}));
    EXPECT_EQ("emoji " + SMILE + " end\r\nnext\r\na" + GERMANY + "b", savedText(*tessel, L"emoji.txt", old));
}

// Delete before a family joined by ZWJ or a flag takes it whole, the next flag kept as it was; a
// double click on an emoji selects it, so that what is typed next replaces it.
TEST_F(EditingEndToEnd, DeleteAndADoubleClickTakeEmojiSequencesWhole) {
    const std::string old = "a" + FAMILY + "b\r\na" + FRANCE + GERMANY + "b\r\nx " + SMILE + " y\r\n";
    std::unique_ptr<TesselRun> tessel;
    ASSERT_TRUE(startFocused(copy, L"joined.txt", old, tessel));
    TextGrid grid;
    ASSERT_TRUE(readTextGrid(*tessel, &grid));
    const HWND editor = grid.editor;
    for (WORD key : {VK_HOME, VK_RIGHT, VK_DELETE, VK_DOWN, VK_HOME, VK_RIGHT, VK_DELETE})
        ASSERT_TRUE(pressChordIn(editor, {key}));
    ASSERT_TRUE(tessel->hasTitle(L"joined.txt * - Tessel"));
    ASSERT_TRUE(activate(editor) && doubleClickAt(grid.at(2.3, 2)) && typeKeys(L"Q"));
    EXPECT_EQ("ab\r\na" + GERMANY + "b\r\nx Q y\r\n", savedText(*tessel, L"joined.txt", old));
}

// A column of three carets (Ctrl+Home, Right, Alt+Down twice): Backspace and Delete act at each,
// and so does Delete after typing at the three.
TEST_F(EditingEndToEnd, BackspaceAndDeleteActAtEveryCaretOfAColumn) {
    const std::string old = "axb\r\ncyd\r\nezf";
    std::unique_ptr<TesselRun> tessel;
    ASSERT_TRUE(startFocused(copy, L"carets.txt", old, tessel));
    const HWND editor = tessel->editor();
    const auto column = [&] {
        ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, VK_HOME}));
        ASSERT_TRUE(pressChordIn(editor, {VK_RIGHT}));
        ASSERT_TRUE(pressChordIn(editor, {VK_MENU, VK_DOWN}));
        ASSERT_TRUE(pressChordIn(editor, {VK_MENU, VK_DOWN}));
    };
    column();
    ASSERT_TRUE(pressChordIn(editor, {VK_BACK}));
    const std::string backspaced = savedText(*tessel, L"carets.txt", old);
    EXPECT_EQ("xb\r\nyd\r\nzf", backspaced);
    ASSERT_TRUE(activate(editor) && typeKeys(L"Q"));
    ASSERT_TRUE(pressChordIn(editor, {VK_DELETE}));
    const std::string typed = savedText(*tessel, L"carets.txt", backspaced);
    EXPECT_EQ("Qb\r\nQd\r\nQf", typed);
    column();
    ASSERT_TRUE(pressChordIn(editor, {VK_DELETE}));
    EXPECT_EQ("Q\r\nQ\r\nQ", savedText(*tessel, L"carets.txt", typed));
}

TEST_F(EditingEndToEnd, AFileOpenedReadOnlyRefusesEditsSaysSoAndSavesAsACopy) {
    const std::string old = "int x;\r\n";
    copy.folder.write(L"ro.c", old);
    TesselRun tessel(copy, L"");
    ASSERT_TRUE(tessel.hasTitle(L"Untitled - Tessel"));
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'O'}));
    ASSERT_TRUE(confirmFileDialog(tessel, L"Open", copy.folder / L"ro.c", true));
    ASSERT_TRUE(tessel.hasTitle(L"ro.c - Tessel"));
    ASSERT_TRUE(tessel.focusEditor());
    const Capture before = statusArea(tessel.window());
    ASSERT_TRUE(typeText(tessel.editor(), L"q"));
    Capture after;
    EXPECT_TRUE(pollFor([&] { return inkOf(after = statusArea(tessel.window())) > inkOf(before) + 100; }, WAIT_MS, 20))
        << "the status bar said nothing; the capture is in " << keepCapture(after, "read-only");
    EXPECT_EQ(L"ro.c - Tessel", tessel.title()) << "the document was changed";

    // Ctrl+S asks where to save the copy; the file opened stays as it was.
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'S'}));
    ASSERT_TRUE(confirmFileDialog(tessel, L"Save As", copy.folder / L"copy.c", false));
    ASSERT_TRUE(tessel.hasTitle(L"copy.c - Tessel"));
    EXPECT_EQ(old, copy.folder.read(L"copy.c"));
    ASSERT_TRUE(typeText(tessel.editor(), L"q"));
    EXPECT_TRUE(tessel.hasTitle(L"copy.c * - Tessel")) << "the copy is editable";
    EXPECT_EQ(old, copy.folder.read(L"ro.c"));
}

} // namespace
} // namespace tessel_test
