// The editing commands on their keys: lines, case, deleting, new line, selecting, the clipboard
// and bookmarks, on a real editor driven through the application's loop.

#include "EditorKeyTestSupport.h"
#include "afw/action/afActionChooser.h"
#include "afw/data/afClipboard.h"
#include "afw/data/afDataObjectScalar.h"
#include "afw/data/afDataObjectText.h"
#include "afw/view/afViewEvents.h"
#include "service/parser/spans/SpanContext.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace tessel_test;
using tessel::TextPosition;

namespace {

class EditorCommandsTest : public EditorKeyTest {
protected:
    void select(TextPosition anchor, TextPosition caret) {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_READ);
        controller->getSelection().set(caret, anchor, tessel::CARET_ANCHOR, tessel::selection_ids::NORMAL);
    }
    std::wstring selectedText() {
        std::wstring selected;
        controller->getSelectedText(controller->getSelection().getRanges(), &selected);
        return selected;
    }
    std::wstring clipboardText() {
        std::wstring out;
        if (!::OpenClipboard(nullptr))
            return L"<not open>";
        if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
            out = static_cast<const wchar_t*>(::GlobalLock(data));
            ::GlobalUnlock(data);
        }
        ::CloseClipboard();
        return out;
    }
    // A key's case: the text, where the caret stands, what the key leaves and where the caret
    // ends.
    struct KeyCase {
        const wchar_t* text;
        TextPosition caret;
        const wchar_t* result;
        TextPosition after;
    };
    // The key on each case's text, loaded afresh (then `prepare` run), and Ctrl+Z after it: the
    // result, the caret, and the text back in one undo step.
    void pressOnEach(const std::vector<KeyCase>& cases, int key, const std::vector<int>& modifiers,
                     const std::function<void()>& prepare = {}) {
        for (size_t i = 0; i < cases.size(); ++i) {
            const KeyCase& c = cases[i];
            load(c.text);
            if (prepare)
                prepare();
            place(c.caret.line, c.caret.lineOffset);
            press(key, modifiers);
            EXPECT_EQ(c.result, text()) << "case " << i;
            EXPECT_EQ(c.after, caret()) << "case " << i;
            press('Z', {VK_CONTROL});
            EXPECT_EQ(c.text, text()) << "one undo step, case " << i;
        }
    }
    void setClipboardText(const std::wstring& text) {
        ASSERT_TRUE(::OpenClipboard(nullptr));
        ::EmptyClipboard();
        HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        memcpy(::GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        ::GlobalUnlock(memory);
        ::SetClipboardData(CF_UNICODETEXT, memory);
        ::CloseClipboard();
    }
};

TEST_F(EditorCommandsTest, LineCommandsMoveDuplicateAndKeepWholeLinesSelected) {
    attach(L"a\nb\nc\nd");
    select({1, 0}, {2, 1});
    press(VK_UP, {VK_CONTROL, VK_SHIFT});
    EXPECT_EQ(L"b\nc\na\nd", text());
    EXPECT_EQ(TextPosition(0, 0), std::min(anchor(), caret()));
    EXPECT_EQ(L"b\nc\n", selectedText());
    press(VK_UP, {VK_CONTROL, VK_SHIFT});
    EXPECT_EQ(L"b\nc\na\nd", text()) << "nothing moves above the first line";
    place(3, 0);
    press(VK_DOWN, {VK_CONTROL, VK_SHIFT});
    EXPECT_EQ(L"b\nc\na\nd", text()) << "nothing moves below the last line";
    place(0, 0);
    press('D', {VK_CONTROL, VK_SHIFT});
    EXPECT_EQ(L"b\nb\nc\na\nd", text());
}

TEST_F(EditorCommandsTest, CaseChangesTakeTheWordAtTheCaret) {
    attach(L"foo bar\n  \n");
    place(0, 1);
    press('U', {VK_CONTROL});
    EXPECT_EQ(L"FOO bar\n  \n", text());
    EXPECT_EQ(L"FOO", selectedText()) << "the changed word stays selected";
    place(1, 1);
    press('U', {VK_CONTROL});
    EXPECT_EQ(L"FOO bar\n  \n", text()) << "a blank line changes nothing";
}

TEST_F(EditorCommandsTest, DeletesAndNewLines) {
    struct Case {
        const wchar_t* text;
        TextPosition caret;
        int key;
        std::initializer_list<int> modifiers;
        const wchar_t* result;
    } cases[] = {
        {L"x", {0, 0}, VK_RETURN, {}, L"\nx"},
        {L"ab\ncd", {0, 2}, VK_DELETE, {}, L"abcd"},
        {L"ab\ncd", {1, 0}, VK_BACK, {}, L"abcd"},
        {L"foo bar", {0, 0}, VK_DELETE, {VK_CONTROL}, L" bar"},
        {L"foo bar", {0, 7}, VK_BACK, {VK_CONTROL}, L"foo "},
        {L"    foo", {0, 7}, VK_RETURN, {}, L"    foo\n    "},
        {L"\tbar\n", {1, 0}, VK_RETURN, {}, L"\tbar\n\n    "},
    };
    attach(L"");
    for (const Case& c : cases) {
        load(c.text);
        controller->setIndentation(4, true);
        place(c.caret.line, c.caret.lineOffset);
        press(c.key, c.modifiers);
        EXPECT_EQ(c.result, text()) << "key " << c.key << " in \"" << c.text << "\"";
    }
}

// Backspace, Delete and the word deletes take what a reader sees as one character: an emoji, a
// flag's two letters (the next flag keeps its own), a family joined by ZWJ, an emoji with its
// skin tone, a letter with its mark; each as one undo step.
TEST_F(EditorCommandsTest, DeletesTakeWholeCharacters) {
    const std::wstring smile = L"\U0001F600", family = L"\U0001F468\u200D\U0001F469\u200D\U0001F467";
    const std::wstring france = L"\U0001F1EB\U0001F1F7", germany = L"\U0001F1E9\U0001F1EA";
    const std::wstring line = L"emoji " + smile + smile + L" end\nnext";
    attach(L"");
    pressOnEach({{line.c_str(), {0, 10}, (L"emoji " + smile + L" end\nnext").c_str(), {0, 8}},
                 {(L"a" + france + germany + L"b").c_str(), {0, 5}, (L"a" + germany + L"b").c_str(), {0, 1}},
                 {(L"a" + family + L"b").c_str(), {0, 9}, L"ab", {0, 1}},
                 {L"x\U0001F44D\U0001F3FDy", {0, 5}, L"xy", {0, 1}},
                 {L"xe\u0301y", {0, 3}, L"xy", {0, 1}}},
                VK_BACK, {});
    pressOnEach({{(L"a" + family + L"b").c_str(), {0, 1}, L"ab", {0, 1}},
                 {(L"a" + france + germany + L"b").c_str(), {0, 1}, (L"a" + germany + L"b").c_str(), {0, 1}},
                 {line.c_str(), {0, 6}, (L"emoji " + smile + L" end\nnext").c_str(), {0, 6}}},
                VK_DELETE, {});
    pressOnEach({{(L"a" + family + L"b").c_str(), {0, 1}, L"ab", {0, 1}}}, VK_DELETE, {VK_CONTROL});
    pressOnEach({{(L"x " + family).c_str(), {0, 10}, L"x ", {0, 2}}}, VK_BACK, {VK_CONTROL});
}

// A column of carets (Alt+Down) or the carets that typing at several left: Backspace, Delete and
// the word deletes act at every caret in one undo step, and the carets stay for what comes next.
TEST_F(EditorCommandsTest, DeletesActAtEveryCaret) {
    const std::wstring smile = L"\U0001F600";
    const auto column = [&](const std::wstring& text, int32_t offset) {
        load(text);
        place(0, offset);
        press(VK_DOWN, {VK_MENU});
        press(VK_DOWN, {VK_MENU});
    };
    attach(L"");
    column(L"axb\ncyd\nezf", 1);
    press(VK_BACK);
    EXPECT_EQ(L"xb\nyd\nzf", text());
    typeKeys(L"Q");
    EXPECT_EQ(L"Qxb\nQyd\nQzf", text()) << "the carets stayed";
    press('Z', {VK_CONTROL});
    press('Z', {VK_CONTROL});
    EXPECT_EQ(L"axb\ncyd\nezf", text()) << "one undo step";

    column(L"axb\ncyd\nezf", 1);
    press(VK_DELETE);
    EXPECT_EQ(L"ab\ncd\nef", text());
    column(L"a" + smile + L"b\nc" + smile + L"d\ne" + smile + L"f", 1);
    press(VK_DELETE);
    EXPECT_EQ(L"ab\ncd\nef", text());

    // Typing at the three, then Delete and Backspace.
    column(L"axb\ncyd\nezf", 1);
    typeKeys(L"Q");
    ASSERT_EQ(L"aQxb\ncQyd\neQzf", text());
    press(VK_DELETE);
    EXPECT_EQ(L"aQb\ncQd\neQf", text());
    press(VK_BACK);
    EXPECT_EQ(L"ab\ncd\nef", text());
    press('Z', {VK_CONTROL});
    EXPECT_EQ(L"aQb\ncQd\neQf", text()) << "one undo step";

    column(L"foo bar\nfoo bar\nfoo bar", 7);
    press(VK_BACK, {VK_CONTROL});
    EXPECT_EQ(L"foo \nfoo \nfoo ", text());
    column(L"foo bar\nfoo bar\nfoo bar", 0);
    press(VK_DELETE, {VK_CONTROL});
    EXPECT_EQ(L" bar\n bar\n bar", text());
}

// A column of carets made with Alt+Down over lines where its column falls inside a character (a
// flag's two letters, an emoji, a letter with its mark): on each line the caret stands at the
// start of the character the column falls in, and stays a caret. Backspace takes the character
// before each caret and nothing at a line's start, press after press and after typing at the
// column: no line joins another.
TEST_F(EditorCommandsTest, AColumnOfCaretsKeepsItsColumnAndNeverJoinsLines) {
    const std::wstring france = L"\U0001F1EB\U0001F1F7";
    // The text each caret's Backspace leaves: the character before it goes, none at a line's start.
    const auto backspaced = [&](const std::vector<tessel::SelectionRange>& carets) {
        std::wstring expected = text();
        for (auto caret = carets.rbegin(); caret != carets.rend(); ++caret) {
            const TextPosition at = controller->offsetToPosition(caret->start);
            if (at.lineOffset > 0) {
                const int32_t from = controller->previousCharacter(caret->start);
                expected.erase(static_cast<size_t>(from), static_cast<size_t>(caret->start - from));
            }
        }
        return expected;
    };
    const auto carets = [&] {
        const std::vector<tessel::SelectionRange> ranges = controller->getSelection().getRanges();
        for (const tessel::SelectionRange& range : ranges)
            EXPECT_TRUE(range.isEmpty()) << range.start << ".." << range.end;
        return ranges;
    };
    attach(L"");
    for (const std::wstring& lines :
         {L"xab\n" + france + L"hi\nyab", L"xab\n\U0001F600cd\ne\u0301fg\n" + france + L"hi"}) {
        load(lines);
        const int32_t count = controller->getLineCount();
        place(0, 1);
        for (int32_t line = 1; line < count; ++line)
            press(VK_DOWN, {VK_MENU});
        // On each line, the last character start at or left of the column.
        const int32_t column = editor->positionToPoint(TextPosition(0, 1), true, nullptr);
        std::vector<int32_t> expected;
        for (int32_t line = 0; line < count; ++line) {
            const int32_t start = document->getLineStart(line), end = start + document->getLineLength(line);
            int32_t at = start;
            for (int32_t next = start;; next = controller->nextCharacter(next)) {
                if (editor->positionToPoint(controller->offsetToPosition(next), true, nullptr) > column)
                    break;
                at = next;
                if (next >= end)
                    break;
            }
            expected.push_back(at);
        }
        std::vector<int32_t> starts;
        for (const tessel::SelectionRange& range : carets())
            starts.push_back(range.start);
        EXPECT_EQ(expected, starts);
        for (int round = 0; round < 2; ++round) {
            const std::wstring after = backspaced(carets());
            press(VK_BACK);
            EXPECT_EQ(after, text()) << "Backspace " << round + 1;
            EXPECT_EQ(static_cast<size_t>(count), carets().size());
        }
        // Typed at each caret, then taken back and one more.
        std::wstring typed = text();
        typeKeys(L"QR");
        press(VK_BACK);
        press(VK_BACK);
        EXPECT_EQ(typed, text());
        press(VK_BACK);
        EXPECT_EQ(count, controller->getLineCount()) << "no line joined";
    }
}

// Blanks between the caret and the line's end would start the new line's text and stay behind
// whatever is typed there; blanks before more text are that text's own.
TEST_F(EditorCommandsTest, ANewLineLeavesNoBlanksBehindTheCaret) {
    attach(L"");
    pressOnEach({{L"    puts(x);  ", {0, 12}, L"    puts(x);\n    ", {1, 4}},
                 {L"    puts(x);\t \t", {0, 12}, L"    puts(x);\n    ", {1, 4}},
                 {L"a  b", {0, 1}, L"a\n  b", {1, 0}},
                 {L"      ", {0, 4}, L"    \n", {1, 0}}},
                VK_RETURN, {}, [&] { controller->setIndentation(4, true); });
    // A line of 100 000 blanks behind the caret.
    load(L"x" + std::wstring(100000, L' '));
    place(0, 1);
    press(VK_RETURN);
    EXPECT_EQ(2u, text().size()) << "the blanks went";
}

TEST_F(EditorCommandsTest, SelectAllWordAndLines) {
    attach(L"  foo bar\nbaz");
    place(0, 6);
    press('W', {VK_CONTROL, VK_SHIFT});
    EXPECT_EQ(L"bar", selectedText()) << "a word starting at the caret";
    select({0, 4}, {1, 1});
    press('L', {VK_CONTROL, VK_SHIFT, VK_MENU});
    EXPECT_EQ(L"foo bar\nbaz", selectedText());
    press('A', {VK_CONTROL});
    EXPECT_EQ(L"  foo bar\nbaz", selectedText());
}

// Ctrl+T swaps the characters around the caret and moves it behind them; at a line's end (or
// past it) the two before it. A character is a cluster: a surrogate pair or a letter with its
// mark moves whole. Each swap is one undo step, kept apart from the typing before it; at a line's
// start, on a line of one character or with text selected nothing changes.
TEST_F(EditorCommandsTest, TransposeSwapsTheTwoCharactersAroundTheCaret) {
    attach(L"");
    pressOnEach({{L"abcd", {0, 2}, L"acbd", {0, 3}},
                 {L"abcd\nef", {0, 4}, L"abdc\nef", {0, 4}},
                 {L"ab\ncd", {1, 1}, L"ab\ndc", {1, 2}},
                 {L"a\xD83D\xDE00z", {0, 1}, L"\xD83D\xDE00" L"az", {0, 3}},
                 {L"ae\x0301z", {0, 1}, L"e\x0301" L"az", {0, 3}},
                 {L"ae\x0301z", {0, 4}, L"aze\x0301", {0, 4}},
                 {L"abc", {0, 6}, L"acb", {0, 3}},
                 {L"abcd", {0, 0}, L"abcd", {0, 0}},
                 {L"ab\ncd", {1, 0}, L"ab\ncd", {1, 0}},
                 {L"x\ny", {0, 1}, L"x\ny", {0, 1}}},
                'T', {VK_CONTROL});
    load(L"");
    typeKeys(L"ab");
    press('T', {VK_CONTROL});
    EXPECT_EQ(L"ba", text());
    press('Z', {VK_CONTROL});
    EXPECT_EQ(L"ab", text()) << "the typing before it stays";
    select({0, 0}, {0, 2});
    press('T', {VK_CONTROL});
    EXPECT_EQ(L"ab", text()) << "a selection is left as it is";
    // At the end of a line of many pieces.
    load(std::wstring(200000, L'x') + L"yz");
    place(0, 200002);
    press('T', {VK_CONTROL});
    EXPECT_EQ(std::wstring(200000, L'x') + L"zy", text());
}

// Ctrl+Shift+Alt+A selects the whole lines around the caret's that are indented at least as
// deep, blank lines between them included: a nested block, a blank line inside (as deep as the
// deeper block beside it), a line of no indent (every line), tabs counted by their stops.
TEST_F(EditorCommandsTest, SelectIndentLevelTakesTheLinesAtLeastAsDeep) {
    const std::wstring code = L"int f() {\n"     // 0
                              L"    if (a) {\n"  // 1
                              L"        b();\n"  // 2
                              L"\n"              // 3
                              L"\tc();\n"        // 4: a tab to column 8, as deep as 2
                              L"    }\n"         // 5
                              L"    d();\n"      // 6
                              L"  \n"            // 7
                              L"}\n"             // 8
                              L"int g;";         // 9
    const struct {
        int32_t line;
        const wchar_t* selected;
    } cases[] = {
        {2, L"        b();\n\n\tc();\n"},
        {3, L"        b();\n\n\tc();\n"},
        {1, L"    if (a) {\n        b();\n\n\tc();\n    }\n    d();\n"},
        {7, L"    if (a) {\n        b();\n\n\tc();\n    }\n    d();\n  \n"},
        {0, code.c_str()},
        {9, code.c_str()},
    };
    attach(L"");
    for (const auto& c : cases) {
        load(code);
        controller->setIndentation(8, false);
        place(c.line, 1);
        press('A', {VK_CONTROL, VK_SHIFT, VK_MENU});
        EXPECT_EQ(c.selected, selectedText()) << "line " << c.line;
        EXPECT_EQ(code, text());
    }
    // Many lines of one block: the walk reads only each line's indentation.
    std::wstring many = L"{\n";
    for (int line = 0; line < 50000; ++line)
        many += L"    x" + std::wstring(line % 7 == 0 ? 400 : 1, L'y') + L"\n";
    load(many + L"}");
    place(25000, 0);
    press('A', {VK_CONTROL, VK_SHIFT, VK_MENU});
    EXPECT_EQ(TextPosition(1, 0), std::min(anchor(), caret()));
    EXPECT_EQ(TextPosition(50001, 0), std::max(anchor(), caret()));
}

TEST_F(EditorCommandsTest, ClipboardCopiesCutsAndPastes) {
    attach(L"one\ntwo\nthree");
    const DWORD before = ::GetClipboardSequenceNumber();
    place(0, 1);
    press('C', {VK_CONTROL});
    EXPECT_EQ(before, ::GetClipboardSequenceNumber()) << "an empty caret copies nothing";
    select({0, 0}, {1, 3});
    press('C', {VK_CONTROL});
    EXPECT_EQ(L"one\r\ntwo", clipboardText());
    EXPECT_TRUE(::IsClipboardFormatAvailable(::RegisterClipboardFormatW(L"EditorSelectionType")));
    place(2, 5);
    press('V', {VK_CONTROL});
    EXPECT_EQ(L"one\ntwo\nthreeone\ntwo", text());
    setClipboardText(L"X");
    press('V', {VK_CONTROL});
    EXPECT_EQ(L"one\ntwo\nthreeone\ntwoX", text()) << "text of another program pastes";
    place(1, 1);
    press(VK_DELETE, {VK_SHIFT});
    EXPECT_EQ(L"one\nthreeone\ntwoX", text()) << "Shift+Del cuts the caret's line";
    EXPECT_EQ(L"two\r\n", clipboardText());
    place(0, 0);
    press(VK_DELETE, {VK_SHIFT});
    EXPECT_EQ(L"threeone\ntwoX", text());
    press('Z', {VK_CONTROL});
    EXPECT_EQ(L"one\nthreeone\ntwoX", text());
}

TEST_F(EditorCommandsTest, BookmarksToggleAndWrap) {
    attach(numberedLines(10));
    place(5, 2);
    press(VK_F2);
    EXPECT_EQ(TextPosition(5, 2), caret()) << "no bookmark: the caret stays";
    for (int line : {3, 8}) {
        place(line, 0);
        press(VK_F2, {VK_CONTROL});
    }
    place(5, 0);
    press(VK_F2);
    EXPECT_EQ(8, caret().line);
    press(VK_F2);
    EXPECT_EQ(3, caret().line) << "F2 wraps";
    press(VK_F2, {VK_SHIFT});
    EXPECT_EQ(8, caret().line);
    press(VK_F2, {VK_CONTROL});
    EXPECT_EQ(nullptr, controller->getLineMarkers(8) && !controller->getLineMarkers(8)->empty()
                           ? controller->getLineMarkers(8)
                           : nullptr);
}

TEST_F(EditorCommandsTest, TypedCharactersAndSurrogatePairs) {
    attach(L"");
    for (wchar_t c : {L'a', L'\x01', L'b'})
        ::PostMessageW(editor->getHandle(), WM_CHAR, c, 1);
    press(VK_SHIFT);
    EXPECT_EQ(L"ab", text()) << "a control character types nothing";
    load(L"");
    for (wchar_t c : {0xDE00, 0xD83D, 0xDE00})
        ::PostMessageW(editor->getHandle(), WM_CHAR, c, 1);
    press(VK_SHIFT);
    EXPECT_EQ(L"\xD83D\xDE00", text()) << "a lone low half types nothing";
    press('Z', {VK_CONTROL});
    EXPECT_EQ(L"", text()) << "the pair is one edit";
}

// The pair "(" ")" as typing its opening character leaves it: two undo steps, the caret between,
// and an empty span context of the pair made current.
TEST_F(EditorCommandsTest, EnterAndBackspaceInAnEmptyPair) {
    attach(L"");
    for (int key : {VK_RETURN, VK_BACK}) {
        load(L"    x");
        controller->setIndentation(4, true);
        place(0, 5);
        {
            tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_EDIT);
            tessel::DocumentController::SelectionChange bracket(*controller);
            controller->insertString(L"(");
            controller->splitEdit();
            controller->insertString(L")");
            controller->getSelection().setCaretPosition(TextPosition(0, 6), 0);
            tessel::ISpanManager& spans = controller->beginHighlightChange();
            tessel::Span* pair = new tessel::SpanContext(spans.getCurrentSpan(), L"document.context.char_pair.2829", 6);
            spans.setCurrentSpan(pair);
            controller->endSelectionChange();
        }
        press(key);
        if (key == VK_RETURN) {
            EXPECT_EQ(L"    x(\n        \n    )", text());
            EXPECT_EQ(TextPosition(1, 8), caret());
        } else {
            EXPECT_EQ(L"    x", text()) << "Backspace takes both characters";
        }
    }
    load(L"a()");
    place(0, 2);
    press(VK_BACK);
    EXPECT_EQ(L"a)", text()) << "outside a pair's span only the character before goes";
}

TEST_F(EditorCommandsTest, ARectangleCopiesWithItsBehaviourAndPastesAsABlock) {
    attach(L"abcd\nefgh\nijkl");
    {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_READ);
        controller->getSelection().set(TextPosition(1, 3), TextPosition(0, 1), 0, tessel::selection_ids::RECTANGLE);
    }
    press('C', {VK_CONTROL});
    EXPECT_EQ(L"bc\r\nfg", clipboardText());
    afDataObjectScalar<uint32_t> type(L"EditorSelectionType");
    ASSERT_TRUE(afApp::getClipboard()->get(&type));
    EXPECT_EQ(0x4C19FA99u, type.getValue());
    place(1, 4);
    press('V', {VK_CONTROL});
    EXPECT_EQ(L"abcd\nefghbc\nijklfg", text());
}

TEST_F(EditorCommandsTest, AltShiftUOffersTheSevenInflections) {
    attach(L"foo");
    size_t offered = 0;
    afSetActionChooser([&](afViewPlatform*, const std::vector<afActionCandidate>& candidates) {
        offered = candidates.size();
        afActionChoice cancelled;
        cancelled.result = pel::crc32Literal("cancel");
        cancelled.row = -1;
        return cancelled;
    });
    press('U', {VK_MENU, VK_SHIFT});
    afSetActionChooser(nullptr);
    EXPECT_EQ(7u, offered);
    EXPECT_EQ(L"foo", text());
}

TEST_F(EditorCommandsTest, AnInputMethodSurrogatePairIsOneEdit) {
    attach(L"");
    for (wchar_t c : {0xDE00, 0xD83D, 0xDE00})
        ::SendMessageW(editor->getHandle(), WM_IME_CHAR, c, 1);
    EXPECT_EQ(L"\xD83D\xDE00", text()) << "a lone low half types nothing";
    press('Z', {VK_CONTROL});
    EXPECT_EQ(L"", text()) << "the pair is one edit";
}

TEST_F(EditorCommandsTest, DetachedEveryHandlerAnswersFalse) {
    attach(L"abc");
    editor->attachController(nullptr);
    HWND window = editor->getHandle();
    for (UINT message : {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}) {
        const afMessage msg(window, message, 0, MAKELPARAM(40, 5));
        afMouseEvent event = afMouseEvent::fromMessage(msg, afMouseEvent::BUTTON);
        const bool handled = message == WM_MOUSEMOVE ? editor->onMouseMove(event)
                             : message == WM_LBUTTONUP ? editor->onMouseUp(event)
                                                       : editor->onMouseDown(event);
        EXPECT_FALSE(handled) << "message " << message;
    }
    afMouseEvent wheel = afMouseEvent::fromMessage(afMessage(window, WM_MOUSEWHEEL, 0, 0), afMouseEvent::WHEEL);
    EXPECT_FALSE(editor->onMouseWheel(wheel, -1));
    EXPECT_FALSE(editor->onMouseLeave(wheel));
    EXPECT_FALSE(editor->runContextMenu(POINT{40, 5}));
    for (WPARAM key : {VK_TAB, VK_ESCAPE, VK_RETURN}) {
        afKeyEvent event = afKeyEvent::fromMessage(afMessage(window, WM_KEYDOWN, key, 1));
        EXPECT_FALSE(editor->onKeyDown(event)) << "key " << key;
    }
}

TEST_F(EditorCommandsTest, DetachedCommandsLetKeysThrough) {
    attach(L"abc");
    editor->attachController(nullptr);
    for (const wchar_t* id : {L"edit.undo", L"edit.copy", L"edit.new_line", L"edit.inflect.uppercase", L"edit.transpose",
                              L"edit.select.indent"}) {
        afAction* action = afFindAction(id, afApp::getActionRegistry());
        ASSERT_NE(nullptr, action) << id;
        afActionEvent event;
        EXPECT_FALSE(action->run(event)) << id;
    }
}

} // namespace

namespace {

const wchar_t* s_composed = L"\x4E2D\x6587";

LONG WINAPI fakeComposition(HIMC, DWORD index, void* buffer, DWORD bytes) {
    if (index != GCS_RESULTSTR)
        return 0;
    const DWORD size = static_cast<DWORD>(wcslen(s_composed) * sizeof(wchar_t));
    if (buffer && bytes >= size)
        memcpy(buffer, s_composed, size);
    return static_cast<LONG>(size);
}

// A result that shrinks between the size query and the read, one that fails on the read, and
// results holding CR LF and a lone CR.
const wchar_t* s_secondComposed = nullptr; // what the second call answers; null: it fails
LONG s_firstSize = 0;

LONG WINAPI changingComposition(HIMC, DWORD index, void* buffer, DWORD bytes) {
    if (index != GCS_RESULTSTR)
        return 0;
    if (!buffer)
        return s_firstSize;
    if (!s_secondComposed)
        return IMM_ERROR_GENERAL;
    const DWORD size = static_cast<DWORD>(wcslen(s_secondComposed) * sizeof(wchar_t));
    memcpy(buffer, s_secondComposed, std::min(size, bytes));
    return static_cast<LONG>(std::min(size, bytes));
}

TEST_F(EditorCommandsTest, AComposedResultTypesWhatTheReadGaveWithLineFeedBreaks) {
    const struct {
        const wchar_t* second;
        LONG firstSize;
        const wchar_t* typed;
    } cases[] = {
        {L"ab", 16, L"ab"},              // shorter than announced: no NUL characters
        {nullptr, 8, L""},               // the read failed: nothing
        {L"abcdef", 4, L"ab"},           // longer than the buffer: what fits
        {L"one\r\ntwo\rthree", 30, L"one\ntwo\nthree"},
    };
    const tessel::EditorCompositionReader previous = tessel::setEditorCompositionReader(&changingComposition);
    for (const auto& c : cases) {
        attach(L"");
        s_secondComposed = c.second;
        s_firstSize = c.firstSize;
        ::SendMessageW(editor->getHandle(), WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
        EXPECT_EQ(c.typed, text());
        EXPECT_EQ(std::wstring::npos, text().find(L'\0'));
    }
    tessel::setEditorCompositionReader(previous);
}

TEST_F(EditorCommandsTest, AComposedResultIsTypedAtTheCaret) {
    attach(L"ab");
    place(0, 1);
    const tessel::EditorCompositionReader previous = tessel::setEditorCompositionReader(&fakeComposition);
    ::SendMessageW(editor->getHandle(), WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
    tessel::setEditorCompositionReader(previous);
    EXPECT_EQ(L"a\x4E2D\x6587" L"b", text());
    EXPECT_EQ(TextPosition(0, 3), caret());
    EXPECT_EQ(controller, controllers->getActiveController()) << "the focused editor's controller is the active one";
}

} // namespace
