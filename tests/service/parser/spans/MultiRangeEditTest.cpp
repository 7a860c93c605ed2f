// Typing, deleting and transforming over selections of several ranges, through the real span
// manager: each edit is one transaction that one undo takes back with its selection.

#include "SpanTestSupport.h"

#include "support/Thrown.h"

#include <cwctype>

using namespace tessel;

namespace {

class MultiRangeTest : public tessel_test::SpanTest {
protected:
    std::wstring ranges() {
        std::wstring out;
        for (const SelectionRange& range : selection().getRanges())
            out += L"[" + std::to_wstring(range.start) + L"," + std::to_wstring(range.end) + L"]";
        return out;
    }
    void edit(const std::function<void()>& body) {
        DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
        body();
    }
};

bool upperCase(const std::wstring& text, std::wstring& o_text) {
    o_text = text;
    for (wchar_t& unit : o_text)
        unit = static_cast<wchar_t>(std::towupper(unit));
    return true;
}

} // namespace

// Each edit over a selection: its text, selection and span tree, and one undo and one redo
// restoring text and selection.
TEST_F(MultiRangeTest, EditsOverSelectionsAreOneUndoStepEach) {
    struct Case {
        const wchar_t* what;
        std::vector<SelectionRange> selected;
        std::function<void(DocumentController&)> edit;
        const wchar_t *expected, *selectedAfter, *spans;
    };
    const Case cases[] = {
        // The carets stay mirrors of the newest, whose caret ends behind what is typed.
        {L"typing at three carets", {{0, 0, 0}, {4, 4, 0}, {8, 8, 0}},
         [](DocumentController& c) {
             c.insertString(L"_");
             c.insertString(L"-");
         },
         L"_-one _-two _-three", L"[14,14]",
         L"Span count = 5\n [0, 19] PI=-1 CI=0   [[  [0, 14] PI=0 CI=1   [[  [0, 2] PI=1 CI=1 [6, 2] PI=1 CI=1 "
         L"[12, 2] PI=1 CI=1 ]]\n ]]\n"},
        {L"typing over three ranges", {{0, 3, 0}, {7, 4, 0}, {8, 13, 0}},
         [](DocumentController& c) { c.insertString(L"X"); }, L"X X X", L"[5,5]",
         L"Span count = 5\n [0, 5] PI=-1 CI=0   [[  [0, 5] PI=0 CI=1   [[  [0, 1] PI=1 CI=1 [2, 1] PI=1 CI=1 [4, 1] "
         L"PI=1 CI=1 ]]\n ]]\n"},
        {L"typing over one range", {{4, 7, 0}}, [](DocumentController& c) { c.insertString(L"2"); }, L"one 2 three",
         L"[5,5]", L"Span count = 1\n [0, 11] PI=-1 CI=0\n"},
        {L"deleteChars(5) over two ranges", {{0, 4, 0}, {8, 13, 0}}, [](DocumentController& c) { c.deleteChars(5); },
         L"two ", L"[4,4]",
         L"Span count = 4\n [0, 4] PI=-1 CI=0   [[  [0, 4] PI=0 CI=1   [[  [0, 0] PI=1 CI=1 [4, 0] PI=1 CI=1 ]]\n ]]\n"},
        {L"deleteChars(-1) over one range", {{3, 8, 0}}, [](DocumentController& c) { c.deleteChars(-1); }, L"onethree",
         L"[3,3]", L"Span count = 1\n [0, 8] PI=-1 CI=0\n"},
        {L"upper-casing two ranges", {{0, 3, 0}, {13, 8, 0}},
         [](DocumentController& c) { EXPECT_TRUE(c.transformSelection(upperCase)); }, L"ONE two THREE",
         L"[0,3][13,8]", L"Span count = 1\n [0, 13] PI=-1 CI=0\n"},
        {L"a transformation that declines", {{4, 7, 0}},
         [](DocumentController& c) {
             EXPECT_FALSE(c.transformSelection([](const std::wstring&, std::wstring&) { return false; }));
         },
         L"one two three", L"[4,7]", L"Span count = 1\n [0, 13] PI=-1 CI=0\n"},
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
        controller->undo();
        EXPECT_EQ(L"one two three", text());
        EXPECT_EQ(before, ranges());
        controller->redo();
        EXPECT_EQ(test.expected, text());
        EXPECT_EQ(test.selectedAfter, ranges());
    }
    load(L"abc");
    edit([&] {
        EXPECT_EQ(L"Transform delegate is empty.",
                  tessel_test::thrown<pel::InvalidArgumentException>(
                      [&] { controller->transformSelection(DocumentController::TransformDelegate()); }));
        EXPECT_FALSE(controller->transformSelection(upperCase)) << "nothing selected";
    });
}

TEST_F(MultiRangeTest, ARectangularBlockGoesInLineByLineAtTheCaretsColumn) {
    struct Case {
        const wchar_t *text, *block, *expected;
        int32_t caret, caretAfter;
    };
    const Case cases[] = {
        {L"abc\ndef\nghi", L"X\nY\nZ", L"aXbc\ndYef\ngZhi", 1, 12},
        // Short lines are padded to the column; past the last line, lines are added.
        {L"abc\nd", L"12\r\n34\r\n56", L"ab12c\nd 34\n  56", 2, 15},
        {L"\tx", L"A\nB", L"\tAx\n    B", 1, 9},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.text);
        load(test.text);
        select(test.caret, test.caret);
        edit([&] { controller->typeText(test.block, static_cast<int32_t>(wcslen(test.block)), selection_ids::RECTANGLE); });
        EXPECT_EQ(test.expected, text());
        EXPECT_EQ(test.caretAfter, controller->getCaretOffset());
        controller->undo();
        EXPECT_EQ(test.text, text()) << "one step";
    }
}

// A block typed over a rectangle or several carets: with as many ranges as lines, each range
// takes its line; otherwise every range's text goes and the block goes in from the first one's
// start, line by line. Either way one undo takes it back with the selection.
TEST_F(MultiRangeTest, ABlockOverAsManyRangesAsItHasLinesGivesEachRangeItsLine) {
    const std::wstring text = L"r0 AAA\nr1 BBB\nr2 CCC\nr3 DDD\nr4\nr5\nr6 tail";
    const auto rectangle = [this](TextPosition anchor, TextPosition caret) {
        return [=] { selection().set(caret, anchor, CARET_ANCHOR, selection_ids::RECTANGLE); };
    };
    struct Case {
        const wchar_t* what;
        std::function<void()> select;
        const wchar_t *block, *expected;
        TextPosition caretAfter;
    };
    const Case cases[] = {
        {L"drawn down", rectangle({0, 4}, {3, 6}), L"1\n2\n3\n4", L"r0 A1\nr1 B2\nr2 C3\nr3 D4\nr4\nr5\nr6 tail", {3, 5}},
        {L"drawn up", rectangle({3, 6}, {0, 4}), L"1\n2\n3\n4", L"r0 A1\nr1 B2\nr2 C3\nr3 D4\nr4\nr5\nr6 tail", {3, 5}},
        {L"a copy put back where it came from", rectangle({0, 4}, {3, 6}), L"AA\r\nBB\r\nCC\r\nDD", text.c_str(),
         {3, 6}},
        {L"zero-width: four carets", rectangle({0, 3}, {3, 3}), L"1\n2\n3\n4",
         L"r0 1AAA\nr1 2BBB\nr2 3CCC\nr3 4DDD\nr4\nr5\nr6 tail", {3, 4}},
        {L"wider than the block", rectangle({0, 3}, {3, 6}), L"1\n\n3\n4", L"r0 1\nr1 \nr2 3\nr3 4\nr4\nr5\nr6 tail",
         {3, 4}},
        {L"narrower than the block", rectangle({0, 4}, {3, 5}), L"1111\n2\n33\n4444",
         L"r0 A1111A\nr1 B2B\nr2 C33C\nr3 D4444D\nr4\nr5\nr6 tail", {3, 8}},
        {L"ranges that are no rectangle", [this] { selectRanges({{0, 2, 0}, {25, 24, 1}}); }, L"x\ny",
         L"x AAA\nr1 BBB\nr2 CCC\nr3 yDD\nr4\nr5\nr6 tail", {3, 4}},
        // Counts that differ: every range emptied, the block from the first one's start down.
        {L"fewer lines than rows", rectangle({0, 4}, {3, 5}), L"1\n2", L"r0 A1A\nr1 B2B\nr2 CC\nr3 DD\nr4\nr5\nr6 tail",
         {1, 5}},
        {L"more lines than rows", rectangle({3, 4}, {0, 5}), L"1\n2\n3\n4\n5\n6",
         L"r0 A1A\nr1 B2B\nr2 C3C\nr3 D4D\nr4  5\nr5  6\nr6 tail", {5, 5}},
        {L"one line over four carets", rectangle({0, 3}, {3, 3}), L"1", L"r0 1AAA\nr1 BBB\nr2 CCC\nr3 DDD\nr4\nr5\nr6 tail",
         {0, 4}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        load(text);
        edit(test.select);
        const std::wstring before = ranges();
        edit([&] { controller->typeText(test.block, static_cast<int32_t>(wcslen(test.block)), selection_ids::RECTANGLE); });
        EXPECT_EQ(test.expected, this->text());
        EXPECT_EQ(test.caretAfter, selection().getCaret());
        EXPECT_TRUE(selection().isEmpty());
        checkTree();
        controller->undo();
        EXPECT_EQ(text, this->text()) << "one step";
        EXPECT_EQ(before, ranges());
        controller->redo();
        EXPECT_EQ(test.expected, this->text());
    }
}

// After typing at several carets they live on as mirrors of one span: a block typed then gives
// each of them its line, and nothing typed later mirrors.
TEST_F(MultiRangeTest, ABlockAfterTypingAtSeveralCaretsGivesEachCaretItsLine) {
    load(L"ab\ncd\nef");
    edit([&] { selection().set(TextPosition(2, 1), TextPosition(0, 1), CARET_ANCHOR, selection_ids::RECTANGLE); });
    edit([&] { controller->insertString(L"-"); });
    ASSERT_EQ(L"a-b\nc-d\ne-f", text());
    edit([&] { controller->typeText(L"1\n2\n3", 5, selection_ids::RECTANGLE); });
    EXPECT_EQ(L"a-1b\nc-2d\ne-3f", text());
    controller->undo();
    EXPECT_EQ(L"a-b\nc-d\ne-f", text()) << "one step";
    controller->redo();
    edit([&] { controller->insertString(L"+"); });
    EXPECT_EQ(L"a-1b\nc-2d\ne-3+f", text()) << "the mirrors are gone";
    checkTree();
}

// Thousands of rows, each taking its own line of a block as long.
TEST_F(MultiRangeTest, ABlockOfThousandsOfLinesFillsAsManyRows) {
    const int32_t rows = 3000;
    std::wstring text;
    std::wstring block;
    std::wstring expected;
    for (int32_t row = 0; row < rows; ++row) {
        const std::wstring number = std::to_wstring(row);
        text += (row ? L"\n" : L"") + std::wstring(L"xy");
        block += (row ? L"\n" : L"") + number;
        expected += (row ? L"\n" : L"") + (L"x" + number + L"y");
    }
    load(text);
    edit([&] { selection().set(TextPosition(rows - 1, 1), TextPosition(0, 1), CARET_ANCHOR, selection_ids::RECTANGLE); });
    edit([&] { controller->typeText(block.c_str(), static_cast<int32_t>(block.size()), selection_ids::RECTANGLE); });
    // Compared whole, so that a failure does not print thousands of lines.
    std::wstring last;
    controller->getLine(rows - 1, &last);
    EXPECT_TRUE(expected == this->text()) << "the last row reads " << last;
    controller->undo();
    EXPECT_TRUE(text == this->text());
}
