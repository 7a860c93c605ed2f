// A double click, the word commands, Enter and Tab on a line of megabytes: each does what it does
// on a short line, and reads only the part of the line it needs (no block anywhere near the
// line's size is allocated on the way: a copy of a 50 MB line is 100 MB in a 32-bit process).

#include "EditorKeyTestSupport.h"
#include "support/WatchedHeap.h"

#include <gtest/gtest.h>

using namespace tessel_test;
using tessel::TextPosition;

namespace {

constexpr int32_t LINE_UNITS = 4 << 20;
// A copy of the line takes twice as many bytes as it has units; a layout of one of its pieces
// far less than this.
constexpr size_t MOST_BYTES = LINE_UNITS / 4;

class EditorLongLineReadsTest : public EditorKeyTest {
protected:
    // Lower-case words, a blank between, up to `units` units.
    static std::wstring words(int32_t units) {
        static const wchar_t* const WORDS[] = {L"alpha", L"bravo", L"charlie", L"delta", L"echo", L"foxtrot"};
        std::wstring line;
        for (size_t word = 0; static_cast<int32_t>(line.size()) < units; ++word)
            line.append(WORDS[word % 6]).append(1, L' ');
        line.resize(static_cast<size_t>(units));
        return line;
    }
    // The caret at the line's offset, drawn on screen; where it is drawn.
    POINT shownAt(int32_t offset) {
        place(0, offset);
        editor->showCaret(false);
        paint();
        POINT point = {};
        EXPECT_TRUE(editor->caretPoint(&point)) << "the caret at " << offset << " is off screen";
        point.y += lineHeight / 2;
        return point;
    }
    void doubleClick(POINT point) {
        for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
            ::SendMessageW(editor->getHandle(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                           MAKELPARAM(point.x, point.y));
    }
    std::wstring selectedText() {
        std::wstring selected;
        controller->getSelectedText(controller->getSelection().getRanges(), &selected);
        return selected;
    }
};

TEST_F(EditorLongLineReadsTest, TheWordCommandsTakeTheWordAtALongLinesEnd) {
    const std::wstring line = words(LINE_UNITS) + L" omega";
    const int32_t length = static_cast<int32_t>(line.size());
    attach(line + L"\n");
    const POINT inOmega = shownAt(length - 2);
    {
        LargestAllocation largest;
        doubleClick(inOmega);
        paint();
        EXPECT_LT(largest.bytes(), MOST_BYTES) << "a double click";
    }
    EXPECT_EQ(L"omega", selectedText());
    EXPECT_EQ(TextPosition(0, length), caret());
    {
        LargestAllocation largest;
        place(0, length - 3);
        press('W', {VK_CONTROL, VK_SHIFT});
        EXPECT_LT(largest.bytes(), MOST_BYTES) << "select word";
    }
    EXPECT_EQ(L"omega", selectedText());
    {
        LargestAllocation largest;
        place(0, length);
        press('U', {VK_CONTROL});
        EXPECT_LT(largest.bytes(), MOST_BYTES) << "upper case of the word at the caret";
    }
    EXPECT_EQ(line.substr(0, line.size() - 5) + L"OMEGA\n", text());
}

TEST_F(EditorLongLineReadsTest, EnterOnALongLineKeepsItsIndentationAndDropsTheBlanksAfterTheCaret) {
    const std::wstring line = L"\t  " + words(LINE_UNITS) + L" end";
    const int32_t length = static_cast<int32_t>(line.size());
    attach(line + L"   \nnext");
    controller->setIndentation(4, false);
    shownAt(length);
    {
        LargestAllocation largest;
        press(VK_RETURN);
        paint();
        EXPECT_LT(largest.bytes(), MOST_BYTES);
    }
    EXPECT_EQ(line + L"\n\t  \nnext", text()) << "the blanks after the caret went";
    EXPECT_EQ(TextPosition(1, 3), caret());
    // Inside the line, what follows the caret is text: no blank goes.
    place(0, length - 4);
    press(VK_RETURN);
    EXPECT_EQ(line.substr(0, line.size() - 4) + L"\n\t   end\n\t  \nnext", text());
}

TEST_F(EditorLongLineReadsTest, TabAfterALongLinesWordWithSoftTabsGoesToTheNextTabStop) {
    // Tabs among the words, so that the caret's column is not its offset.
    std::wstring line = words(LINE_UNITS);
    for (size_t at = 7; at < line.size(); at += 1001)
        line[at] = L'\t';
    line += L"xyz";
    const int32_t length = static_cast<int32_t>(line.size());
    attach(line);
    controller->setIndentation(4, true);
    int32_t column = 0;
    for (wchar_t unit : line)
        column = unit == L'\t' ? (column / 4 + 1) * 4 : column + 1;
    shownAt(length);
    {
        LargestAllocation largest;
        press(VK_TAB);
        paint();
        EXPECT_LT(largest.bytes(), MOST_BYTES);
    }
    EXPECT_EQ(line + std::wstring(static_cast<size_t>(4 - column % 4), L' '), text());
}

} // namespace
