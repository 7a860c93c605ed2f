// Typing, deleting and transforming over selections of several ranges, through the real span
// manager: each edit is one transaction that one undo takes back with its selection.

#include "SpanTestSupport.h"

#include "support/Thrown.h"

#include <cwctype>

using namespace tessel;
using tessel_test::SpanTest;

namespace {

std::wstring show(const std::vector<SelectionRange>& ranges) {
    std::wstring out;
    for (const SelectionRange& range : ranges)
        out += L"[" + std::to_wstring(range.start) + L"," + std::to_wstring(range.end) + L"]";
    return out;
}

class MultiRangeTest : public SpanTest {
protected:
    // Selects the ranges in order (the last one the newest).
    void selectRanges(const std::vector<SelectionRange>& ranges) {
        DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
        selection().applyRanges(ranges);
    }
    std::wstring ranges() { return show(selection().getRanges()); }
    void edit(const std::function<void()>& body) {
        DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
        body();
    }
    int32_t caret() { return controller->getCaretOffset(); }
};

bool upperCase(const std::wstring& text, std::wstring& o_text) {
    o_text = text;
    for (wchar_t& unit : o_text)
        unit = static_cast<wchar_t>(std::towupper(unit));
    return true;
}

} // namespace

TEST_F(MultiRangeTest, TypingAtThreeCaretsLandsInEachInOneStep) {
    load(L"ab\ncd\nef");
    selectRanges({{1, 1, 0}, {4, 4, 0}, {7, 7, 0}});
    const std::wstring before = ranges();
    type(L"x");
    EXPECT_EQ(L"axb\ncxd\nexf", text());
    EXPECT_EQ(10, caret()) << "behind the newest range's x";
    EXPECT_EQ(L"Span count = 5\n"
              L" [0, 11] PI=-1 CI=0   [[  [1, 9] PI=0 CI=1   [[  [1, 1] PI=1 CI=1 [5, 1] PI=1 CI=1 [9, 1] PI=1 "
              L"CI=1 ]]\n"
              L" ]]\n",
              dump());
    EXPECT_TRUE(controller->undo());
    EXPECT_EQ(L"ab\ncd\nef", text()) << "one step";
    EXPECT_EQ(before, ranges()) << "the three carets are back";
    EXPECT_TRUE(controller->redo());
    EXPECT_EQ(L"axb\ncxd\nexf", text());
    EXPECT_EQ(10, caret());
    // The carets stay mirrors of the newest: typing on goes into all three.
    type(L"y");
    EXPECT_EQ(L"axyb\ncxyd\nexyf", text());
    checkTree();
    // Moving the caret out of the ranges ends the multi-range edit.
    select(0, 0);
    type(L"!");
    EXPECT_EQ(L"!axyb\ncxyd\nexyf", text());
    EXPECT_EQ(L"Span count = 1\n [0, 15] PI=-1 CI=0\n", dump());
}

// Each edit over a selection: its text, the span tree after it, and one undo and one redo
// restoring text and selection.
TEST_F(MultiRangeTest, EditsOverSelectionsAreOneUndoStepEach) {
    struct Case {
        const wchar_t* what;
        std::vector<SelectionRange> selected;
        std::function<void(DocumentController&)> edit;
        const wchar_t* expected;
        const wchar_t* selectedAfter;
        const wchar_t* spans;
    };
    const Case cases[] = {
        {L"typing over three ranges", {{0, 3, 0}, {7, 4, 0}, {8, 13, 0}},
         [](DocumentController& c) { c.insertString(L"X"); }, L"X X X", L"[5,5]",
         L"Span count = 5\n [0, 5] PI=-1 CI=0   [[  [0, 5] PI=0 CI=1   [[  [0, 1] PI=1 CI=1 [2, 1] PI=1 CI=1 [4, 1] "
         L"PI=1 CI=1 ]]\n ]]\n"},
        {L"typing over one range", {{4, 7, 0}},
         [](DocumentController& c) { c.insertString(L"2"); }, L"one 2 three", L"[5,5]",
         L"Span count = 1\n [0, 11] PI=-1 CI=0\n"},
        {L"deleteChars(5) over two ranges", {{0, 4, 0}, {8, 13, 0}},
         [](DocumentController& c) { c.deleteChars(5); }, L"two ", L"[4,4]",
         L"Span count = 4\n [0, 4] PI=-1 CI=0   [[  [0, 4] PI=0 CI=1   [[  [0, 0] PI=1 CI=1 [4, 0] PI=1 CI=1 ]]\n ]]\n"},
        {L"deleteChars(-1) over one range", {{3, 8, 0}},
         [](DocumentController& c) { c.deleteChars(-1); }, L"onethree", L"[3,3]",
         L"Span count = 1\n [0, 8] PI=-1 CI=0\n"},
        {L"upper-casing two ranges", {{0, 3, 0}, {13, 8, 0}},
         [](DocumentController& c) { EXPECT_TRUE(c.transformSelection(upperCase)); }, L"ONE two THREE",
         L"[0,3][13,8]", L"Span count = 1\n [0, 13] PI=-1 CI=0\n"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        load(L"one two three");
        selectRanges(test.selected);
        const std::wstring before = ranges();
        edit([&] { test.edit(*controller); });
        EXPECT_EQ(test.expected, text());
        EXPECT_EQ(test.selectedAfter, ranges());
        EXPECT_EQ(test.spans, dump());
        checkTree();
        EXPECT_TRUE(controller->undo());
        EXPECT_EQ(L"one two three", text());
        EXPECT_EQ(before, ranges());
        EXPECT_TRUE(controller->redo());
        EXPECT_EQ(test.expected, text());
        EXPECT_EQ(test.selectedAfter, ranges());
        checkTree();
    }
}

TEST_F(MultiRangeTest, TransformingNeedsADelegateAndASelection) {
    load(L"abc");
    edit([&] {
        EXPECT_EQ(L"Transform delegate is empty.",
                  tessel_test::thrown<pel::InvalidArgumentException>(
                      [&] { controller->transformSelection(DocumentController::TransformDelegate()); }));
        EXPECT_FALSE(controller->transformSelection(upperCase)) << "nothing selected";
    });
    select(0, 2);
    edit([&] {
        EXPECT_FALSE(controller->transformSelection([](const std::wstring&, std::wstring&) { return false; }));
    });
    EXPECT_EQ(L"abc", text());
    EXPECT_EQ(L"[0,2]", ranges());
    checkTree();
}

TEST_F(MultiRangeTest, ARectangularBlockGoesInLineByLineAtTheCaretsColumn) {
    struct Case {
        const wchar_t* text;
        int32_t caret;
        const wchar_t* block;
        const wchar_t* expected;
        int32_t caretAfter;
    };
    const Case cases[] = {
        {L"abc\ndef\nghi", 1, L"X\nY\nZ", L"aXbc\ndYef\ngZhi", 12},
        // Short lines are padded to the column; past the last line, lines are added.
        {L"abc\nd", 2, L"12\r\n34\r\n56", L"ab12c\nd 34\n  56", 15},
        {L"\tx", 1, L"A\nB", L"\tAx\n    B", 9},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.text);
        load(test.text);
        select(test.caret, test.caret);
        edit([&] { controller->typeText(test.block, static_cast<int32_t>(wcslen(test.block)), selection_ids::RECTANGLE); });
        EXPECT_EQ(test.expected, text());
        EXPECT_EQ(test.caretAfter, caret());
        controller->undo();
        EXPECT_EQ(test.text, text()) << "one step";
    }
}
