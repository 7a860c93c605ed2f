#include "ControllerTestSupport.h"

#include "service/document/TextHighlighter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

using namespace tessel;
using tessel_test::ControllerTest;
using tessel_test::FakeEditor;

namespace {

constexpr uint32_t BIT = 0x04;

// Marked cells as "[first,end)" runs, and single positions as "|at".
std::wstring describeMarks(const LineAttributes& attributes) {
    std::wstring text;
    const auto& entries = attributes.entries;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i] & (BIT << LineAttributes::POSITION_SHIFT))
            text += pel::formatString(L"|%u ", unsigned(i));
        if (!(entries[i] & (BIT << LineAttributes::RANGE_SHIFT)) ||
            (i > 0 && (entries[i - 1] & (BIT << LineAttributes::RANGE_SHIFT))))
            continue;
        size_t end = i;
        while (end < entries.size() && (entries[end] & (BIT << LineAttributes::RANGE_SHIFT)))
            ++end;
        text += pel::formatString(L"[%u,%u) ", unsigned(i), unsigned(end));
    }
    return text;
}

// The marked cells of a line. With from and to, the cells of those columns of the line only,
// counted from `from`: a piece of a long line is marked on its own.
std::wstring marksOf(Selection& selection, DocumentController& controller, int32_t line, int32_t from = 0,
                     int32_t to = -1) {
    LineAttributes attributes;
    const Document& document = controller.getDocument();
    const int32_t start = document.getLineStart(line);
    selection.update(line, attributes, start + from, start + (to < 0 ? document.getLineLength(line) : to));
    return describeMarks(attributes);
}

// The marks of a line made piece by piece, the pieces starting at `seams` and each moved to
// the line's columns.
std::wstring piecedMarksOf(Selection& selection, DocumentController& controller, int32_t line,
                           const std::vector<int32_t>& seams) {
    const Document& document = controller.getDocument();
    const int32_t start = document.getLineStart(line);
    LineAttributes joined;
    for (size_t k = 0; k < seams.size(); ++k) {
        const int32_t from = seams[k];
        const int32_t to = k + 1 < seams.size() ? seams[k + 1] : document.getLineLength(line);
        LineAttributes piece;
        selection.update(line, piece, start + from, start + to);
        joined.entries.resize(std::max(joined.entries.size(), from + piece.entries.size()));
        for (size_t i = 0; i < piece.entries.size(); ++i)
            joined.entries[from + i] |= piece.entries[i];
    }
    return describeMarks(joined);
}

class BehaviorTest : public ControllerTest {
protected:
    BehaviorTest() { selection().setBit(BIT); }

    // The texts the selection's ranges cover, joined by "|".
    std::wstring selectedTexts() {
        std::wstring text;
        controller->getSelectedText(selection().getRanges(), &text);
        std::replace(text.begin(), text.end(), L'\n', L'|');
        return text;
    }
    // Runs the check with no view and with the fake view attached.
    template <class Check> void withAndWithoutView(Check check) {
        FakeEditor view;
        for (bool shown : {false, true}) {
            SCOPED_TRACE(shown ? "with a view" : "without a view");
            controller->setEditor(shown ? &view : nullptr);
            check();
        }
        controller->setEditor(nullptr);
    }
    void selectBlock(const TextPosition& anchor, const TextPosition& caret) {
        selection().set(caret, anchor, CARET_ANCHOR, selection_ids::RECTANGLE);
    }
};

} // namespace

TEST_F(BehaviorTest, TheNormalRangeMarksTheStreamAndTheBreaksItRunsOver) {
    load(L"0123456789\n0123456789\n0123456789\n0123456789\n0123456789");
    selection().set(TextPosition(4, 1), TextPosition(2, 3), CARET_ANCHOR, selection_ids::NORMAL);
    EXPECT_EQ(L"", marksOf(selection(), *controller, 1));
    EXPECT_EQ(L"[3,11) ", marksOf(selection(), *controller, 2));
    EXPECT_EQ(L"[0,11) ", marksOf(selection(), *controller, 3));
    EXPECT_EQ(L"[0,1) ", marksOf(selection(), *controller, 4));
    // Committed ranges: one into the next line, a caret, one ending at a line's start.
    selection().setWithBehavior(TextPosition(0, 8), TextPosition(1, 2), selection_ids::NORMAL);
    selection().setWithBehavior(TextPosition(0, 4), TextPosition(0, 4), selection_ids::NORMAL);
    selection().setWithBehavior(TextPosition(0, 0), TextPosition(0, 0), selection_ids::NORMAL);
    EXPECT_EQ(L"|4 [8,11) ", marksOf(selection(), *controller, 0));
    EXPECT_EQ(L"[0,2) ", marksOf(selection(), *controller, 1));
    EXPECT_EQ(L"[3,11) ", marksOf(selection(), *controller, 2));

    selection().setCaretOffset(12);
    EXPECT_EQ(L"", marksOf(selection(), *controller, 1)); // an empty range marks nothing
    SelectionBehavior& normal = *selection().getBehavior();
    EXPECT_FALSE(normal.contains(TextPosition(1, 1), 12, false));
    EXPECT_TRUE(normal.contains(TextPosition(1, 1), 12, true));
}

TEST_F(BehaviorTest, APieceOfALongLineIsMarkedFromItsOwnStart) {
    load(std::wstring(300, L'a') + L"\n" + std::wstring(300, L'b') + L"\nc");
    // The range being made, then the same committed: each piece of the line marks its own cells.
    for (bool committed : {false, true}) {
        SCOPED_TRACE(committed ? "committed" : "being made");
        if (committed)
            selection().setWithBehavior(TextPosition(0, 150), TextPosition(1, 120), selection_ids::NORMAL);
        else
            selection().set(TextPosition(1, 120), TextPosition(0, 150), CARET_ANCHOR, selection_ids::NORMAL);
        EXPECT_EQ(L"", marksOf(selection(), *controller, 0, 0, 100)) << "no cell past a piece that another follows";
        EXPECT_EQ(L"[50,100) ", marksOf(selection(), *controller, 0, 100, 200));
        EXPECT_EQ(L"[0,101) ", marksOf(selection(), *controller, 0, 200, 300)) << "the line's break too";
        EXPECT_EQ(L"[0,100) ", marksOf(selection(), *controller, 1, 0, 100));
        EXPECT_EQ(L"[0,20) ", marksOf(selection(), *controller, 1, 100, 200));
        EXPECT_EQ(L"", marksOf(selection(), *controller, 1, 200, 300));
    }
    // A block of columns 110 to 130 on both lines: only the piece holding them marks them.
    selection().setCaretOffset(0);
    selectBlock(TextPosition(0, 110), TextPosition(1, 130));
    EXPECT_EQ(L"", marksOf(selection(), *controller, 0, 0, 100));
    EXPECT_EQ(L"[10,30) ", marksOf(selection(), *controller, 0, 100, 200));
    EXPECT_EQ(L"[10,30) ", marksOf(selection(), *controller, 1, 100, 200));
    EXPECT_EQ(L"", marksOf(selection(), *controller, 1, 200, 300));
}

TEST_F(BehaviorTest, ABlockAtASeamMarksTheCellsItMarksOnTheLineWhole) {
    load(std::wstring(300, L'a') + L"\n" + std::wstring(300, L'b') + L"\nc");
    const std::vector<int32_t> seams = {0, 100, 200};
    // Columns 80 to 100 end where the second piece starts; the empty block at 100 stands there.
    const std::pair<int32_t, int32_t> blocks[] = {{80, 100}, {100, 100}, {100, 120}, {60, 200}, {200, 200}, {250, 320}};
    for (const auto& block : blocks) {
        selectBlock(TextPosition(0, block.first), TextPosition(1, block.second));
        for (int32_t line : {0, 1})
            EXPECT_EQ(marksOf(selection(), *controller, line), piecedMarksOf(selection(), *controller, line, seams))
                << "columns " << block.first << " to " << block.second << ", line " << line;
    }
}

TEST_F(BehaviorTest, ABlockCommitsOneRangePerRowWithTextAndCountsEveryRowOrNoneInVirtualSpace) {
    load(L"0123456789\nx\n0123456789\n0123456789");
    withAndWithoutView([this] {
        selectBlock(TextPosition(0, 2), TextPosition(3, 6));
        EXPECT_TRUE(selection().getCaretFlags() & CARET_VIRTUAL);
        SelectionRangeMap ranges;
        EXPECT_EQ(9, selection().getBehavior()->commit(ranges, 5));
        std::wstring text;
        for (const auto& entry : ranges)
            text += pel::formatString(L"(%d,%d)#%d ", entry.second.start, entry.second.end, entry.second.id);
        EXPECT_EQ(L"(2,6)#5 (15,19)#7 (26,30)#8 ", text);
        EXPECT_EQ(L"2345|2345|2345", selectedTexts());
        EXPECT_EQ(L"[2,6) ", marksOf(selection(), *controller, 0));
        EXPECT_EQ(L"", marksOf(selection(), *controller, 1)); // no text under the block
        EXPECT_TRUE(selection().contains(TextPosition(3, 6)));
        EXPECT_FALSE(selection().contains(TextPosition(1, 1)));
        EXPECT_EQ(selection_ids::RECTANGLE, selection().getBehaviorId());
        // A block in virtual space only has no extent and commits nothing.
        selectBlock(TextPosition(0, 12), TextPosition(3, 14));
        ranges.clear();
        EXPECT_EQ(0, selection().getBehavior()->hasExtent());
        EXPECT_EQ(3, selection().getBehavior()->commit(ranges, 3));
        EXPECT_TRUE(ranges.empty());
        EXPECT_TRUE(selection().isEmpty());
        EXPECT_EQ(selection_ids::NONE, selection().getBehaviorId());
    });
}

TEST_F(BehaviorTest, ABlockGoesByColumnsSoTabsTakeTheCharactersUnderThem) {
    load(L"\tab\nabcdefgh\n\n01234567\n");
    withAndWithoutView([this] {
        // Columns 4 to 6: after the tab on the first line.
        selectBlock(TextPosition(0, 1), TextPosition(1, 6));
        EXPECT_EQ(L"ab|ef", selectedTexts());
        EXPECT_TRUE(selection().getBehavior()->getRange().caret == TextPosition(1, 6));
        // Each row is cut to its line's text.
        selectBlock(TextPosition(1, 9), TextPosition(3, 6));
        EXPECT_EQ(L"gh|67", selectedTexts());
        selectBlock(TextPosition(2, 2), TextPosition(2, 4));
        EXPECT_TRUE(selection().isEmpty());
        // Corners beyond the text with text between them still select it.
        selectBlock(TextPosition(2, 3), TextPosition(4, 5));
        EXPECT_FALSE(selection().isEmpty());
        EXPECT_EQ(L"34", selectedTexts());
        // A block of no width shows where it runs.
        selectBlock(TextPosition(1, 3), TextPosition(3, 3));
        EXPECT_EQ(L"|3 ", marksOf(selection(), *controller, 1));
    });
}

// A column of carets (CARET_COLUMN) keeps the anchor's column on every line, the caret's line too,
// and stands at the start of a character the column falls inside (a flag, a family joined by
// ZWJ); the same corners as a block reach to the caret's own column.
TEST_F(BehaviorTest, AColumnOfCaretsStandsAtTheAnchorsColumnOnEveryLine) {
    const std::wstring flag = L"\U0001F1EB\U0001F1F7";
    const std::wstring family = L"\U0001F468\u200D\U0001F469\u200D\U0001F467";
    load(L"xab\n" + flag + L"hi\nyab\n" + family + L"z");
    withAndWithoutView([&] {
        const TextPosition anchor(0, 1), caret(3, 8);
        selection().set(caret, anchor, CARET_COLUMN, selection_ids::RECTANGLE);
        std::wstring carets;
        for (const SelectionRange& range : selection().getRanges())
            carets += pel::formatString(L"%d-%d ", range.start, range.end);
        EXPECT_EQ(L"1-1 4-4 12-12 15-15 ", carets);
        EXPECT_TRUE(selection().isColumn());
        EXPECT_EQ(L"|1 ", marksOf(selection(), *controller, 0));
        EXPECT_EQ(L"|0 ", marksOf(selection(), *controller, 1));
        EXPECT_EQ(L"|0 ", marksOf(selection(), *controller, 3));
        selectBlock(anchor, caret);
        EXPECT_FALSE(selection().isColumn());
        EXPECT_EQ(L"ab|" + flag + L"hi|ab|" + family, selectedTexts()) << "a block to the caret's column";
    });
}
