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
