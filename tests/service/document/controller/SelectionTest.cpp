#include "ControllerTestSupport.h"

#include "service/document/TextHighlighter.h"

#include <gtest/gtest.h>

using namespace tessel;
using tessel_test::ControllerTest;
using tessel_test::MemoryStream;
using tessel_test::NoticeRecorder;

namespace {

std::wstring describe(const SelectionRange& range) {
    return pel::formatString(L"(%d,%d)#%d ", range.start, range.end, range.id);
}

std::wstring describe(const SelectionRangeMap& ranges) {
    std::wstring text;
    for (const auto& entry : ranges)
        text += describe(entry.second);
    return text;
}

std::wstring describe(const std::vector<SelectionRange>& ranges) {
    std::wstring text;
    for (const SelectionRange& range : ranges)
        text += describe(range);
    return text;
}

} // namespace

TEST(SelectionRangeTest, CommittingMergesOverlappingAndTouchingRangesKeepingTheNewDirection) {
    struct Case {
        std::vector<SelectionRange> committed;
        SelectionRange added;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {{{10, 20, 1}}, {5, 10, 2}, L"(5,20)#2 "},             // its upper end touches the lower end
        {{{10, 20, 1}}, {20, 30, 2}, L"(10,20)#1 (20,30)#2 "}, // starts where the other ends
        {{{10, 20, 1}}, {21, 30, 2}, L"(10,20)#1 (21,30)#2 "},
        {{{3, 8, 1}}, {20, 5, 2}, L"(20,3)#2 "}, // backward stays backward
        {{{0, 2, 1}, {4, 6, 2}, {8, 9, 3}}, {1, 8, 4}, L"(0,9)#4 "},
        {{{5, 5, 1}}, {5, 5, 2}, L"(5,5)#2 "},
        {{{0, 10, 1}, {10, 20, 2}}, {12, 15, 3}, L"(0,10)#1 (10,20)#3 "},
    };
    for (const Case& c : cases) {
        SelectionRangeMap ranges;
        for (const SelectionRange& range : c.committed)
            addSelectionRange(ranges, range.start, range.end, range.id, true);
        addSelectionRange(ranges, c.added.start, c.added.end, c.added.id, true);
        EXPECT_EQ(c.expected, describe(ranges)) << c.added.start << "," << c.added.end;
    }
}

TEST_F(ControllerTest, TheCaretIsDrawnInsideTheTextUnlessVirtualSpaceIsAllowed) {
    load(L"0\n1\n2\n3\n0123456789\nend");
    struct Case {
        TextPosition caret;
        uint8_t flags;
        TextPosition shown;
        bool shownVirtual;
    };
    const Case cases[] = {
        {{4, 80}, 0, {4, 10}, true},
        {{4, 80}, CARET_VIRTUAL, {4, 80}, false},
        {{4, 80}, 0x0C, {4, 10}, true}, // the view's bits ride along
        {{9, 2}, 0, {5, 3}, false},     // past the last line: its end
        {{-1, -4}, CARET_VIRTUAL, {0, 0}, false},
        {{4, 3}, 0, {4, 3}, false},
    };
    for (const Case& c : cases) {
        selection().setCaretPosition(c.caret, c.flags);
        const TextPosition& shown = selection().getDisplayCaret();
        EXPECT_TRUE(shown == c.shown && shown.isVirtual == c.shownVirtual)
            << c.caret.line << ":" << c.caret.lineOffset << " shown " << shown.line << ":" << shown.lineOffset;
        EXPECT_EQ(c.flags, selection().getCaretFlags());
        EXPECT_TRUE(selection().getCaret() == c.caret);
    }
}

TEST_F(ControllerTest, CaretDropsEveryCommittedRangeRepaintsTheirSpanAndRestartsIds) {
    load(L"line zero\nline one\nline two\nline three");
    selection().setOffsets(2, 4, selection_ids::NORMAL);
    selection().setWithBehavior(controller->offsetToPosition(12), controller->offsetToPosition(14),
                                selection_ids::NORMAL);
    selection().setWithBehavior(controller->offsetToPosition(30), controller->offsetToPosition(33),
                                selection_ids::NORMAL);
    selection().setWithBehavior(controller->offsetToPosition(1), controller->offsetToPosition(1),
                                selection_ids::NORMAL);
    ASSERT_EQ(3u, selection().getCommittedRanges().size());
    EXPECT_EQ(4, selection().getNextRangeId());
    EXPECT_EQ(selection_ids::NORMAL, selection().getBehaviorId());

    NoticeRecorder notices(*controller);
    selection().set(TextPosition(1, 1), TextPosition(0, 0), 1, selection_ids::CARET);
    EXPECT_TRUE(selection().getCommittedRanges().empty());
    EXPECT_EQ(1, selection().getNextRangeId());
    EXPECT_TRUE(selection().getAnchor() == TextPosition(1, 1)); // the anchor joins the caret
    // One notice: the old current range, the committed span 2..33 and the new caret.
    EXPECT_EQ((std::vector<std::wstring>{L"caret 1:1 1", L"selection 0:1-3:5"}), notices.take());
}

// An empty selection is one empty range at the caret, which holds nothing; committed ranges
// come in offset order, with the current range under the next id.
TEST_F(ControllerTest, RangesOfASelectionAndTheOffsetsTheyContain) {
    load(L"0123456789\n0123456789");
    selection().setCaretOffset(5);
    EXPECT_TRUE(selection().isEmpty() && selection().getBehaviorId() == selection_ids::NONE);
    EXPECT_EQ(L"(5,5)#1 ", describe(selection().getRanges()));
    EXPECT_FALSE(selection().contains(controller->offsetToPosition(5)));
    selection().setOffsets(15, 12, selection_ids::NORMAL);
    selection().setWithBehavior(controller->offsetToPosition(3), controller->offsetToPosition(8),
                                selection_ids::NORMAL);
    EXPECT_EQ(L"(3,8)#2 (15,12)#1 ", describe(selection().getRanges()));
    const std::pair<int32_t, bool> cases[] = {{2, false}, {3, true},  {8, true},   {9, false},
                                              {12, true}, {15, true}, {16, false}, {11, false}};
    for (const auto& c : cases)
        EXPECT_EQ(c.second, selection().contains(controller->offsetToPosition(c.first))) << c.first;
}

TEST_F(ControllerTest, LinesOfRangesFollowCreationOrderAndJoinWhenTheyShareALine) {
    load(L"a\nb\nc\nd\ne\nf\ng"); // line k starts at 2k
    const auto add = [this](int32_t anchor, int32_t caret) {
        selection().setWithBehavior(controller->offsetToPosition(anchor), controller->offsetToPosition(caret),
                                    selection_ids::NORMAL);
    };
    selection().setOffsets(8, 11, selection_ids::NORMAL); // lines 4..5
    add(2, 6);                                            // 1..2: it ends at the start of line 3
    add(12, 13);                                          // 6
    std::vector<int32_t> lines;
    selection().setRanges(lines);
    EXPECT_EQ((std::vector<int32_t>{4, 5, 1, 2, 6}), lines);
    std::vector<LineRange> pairs;
    selection().getLineRanges(pairs, false);
    EXPECT_EQ((std::vector<LineRange>{{4, 5}, {1, 2}, {6, 6}}), pairs); // neighbours stay apart
    selection().getLineRanges(pairs, true);
    EXPECT_EQ((std::vector<LineRange>{{1, 2}, {4, 5}, {6, 6}}), pairs);

    selection().collapse();
    selection().setOffsets(3, 5, selection_ids::NORMAL); // lines 1..2
    add(5, 7);                                           // 2..3, touching the first
    add(10, 11);                                         // 5
    selection().setRanges(lines);
    EXPECT_EQ((std::vector<int32_t>{1, 2, 3, 5}), lines);
    selection().getLineRanges(pairs, false);
    EXPECT_EQ((std::vector<LineRange>{{1, 3}, {5, 5}}), pairs);
}

TEST_F(ControllerTest, AStateRecordRestoresTheSelectionAndItsKind) {
    load(L"0123456789\n0123456789\n0123456789\n0123456789");
    selection().setOffsets(1, 3, selection_ids::NORMAL);
    selection().setWithBehavior(TextPosition(1, 2), TextPosition(3, 5), selection_ids::RECTANGLE);
    const uint32_t kind = selection().getBehaviorId();
    EXPECT_EQ(selection_ids::MIXED, kind);
    MemoryStream record;
    selection().writeState(record);
    ASSERT_EQ(Selection::STATE_HEADER + Selection::STATE_RANGE, record.bytes.size());
    const std::vector<SelectionRange> before = selection().getRanges();

    selection().setCaretOffset(0);
    selection().readState(record);
    EXPECT_EQ(describe(before), describe(selection().getRanges()));
    EXPECT_EQ(kind, selection().getBehaviorId());
    EXPECT_TRUE(selection().getAnchor() == TextPosition(1, 2) && selection().getCaret() == TextPosition(3, 5));
}

TEST_F(ControllerTest, AStateRecordRepeatingALowerEndKeepsTheFirstAndRaisesTheNextId) {
    load(L"0123456789abcdef");
    MemoryStream record;
    const int32_t words[] = {2, 0x0201, int32_t(selection_ids::NORMAL), 0, 1, 0, 0, 2, 0, 5, 10, 7, 5, 12, 9};
    for (int32_t word : words)
        record.write(&word, 4);
    record.bytes[5] = 0; // virtual mode off; the padding after the flags byte
    selection().readState(record);
    EXPECT_EQ(L"(5,10)#7 ", describe(selection().getCommittedRanges()));
    EXPECT_EQ(10, selection().getNextRangeId());
    EXPECT_EQ(1, selection().getCaretFlags());
    EXPECT_TRUE(selection().getAnchor() == TextPosition(0, 1) && selection().getCaret() == TextPosition(0, 2));

    // A record cut short leaves the selection collapsed.
    MemoryStream cut;
    cut.bytes.assign(record.bytes.begin(), record.bytes.begin() + 20);
    selection().readState(cut);
    EXPECT_TRUE(selection().getCommittedRanges().empty());
    EXPECT_TRUE(selection().isEmpty());
}

TEST_F(ControllerTest, TheDumpOfAStateRecordNamesEachField) {
    load(L"one\ntwo\nthree");
    selection().setOffsets(1, 2, selection_ids::NORMAL);
    selection().setWithBehavior(TextPosition(2, 4), TextPosition(1, 1), selection_ids::NORMAL);
    MemoryStream record;
    selection().writeState(record);
    std::wstring text;
    Selection::dumpState(record, text, L"> ");
    EXPECT_EQ(L"> Ranges count = 1\n"
              L"> Caret options = Anchor \n"
              L"> Caret virtual mode = No\n"
              L"> Behavior = normal\n"
              L"> Behavior range = [ Line = 2, Loff = 4 ] -> [ Line = 1, Loff = 1 ]\n",
              text);
}
