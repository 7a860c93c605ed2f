#include "SpanTestSupport.h"

#include "service/parser/spans/SpanHighlighter.h"

using namespace tessel;
using tessel_test::SpanTest;

namespace {

constexpr uint32_t BIT = 4;

// Per entry: 'r' a range mark of the bit, 'p' a position mark, '.' none.
std::wstring marksOf(const LineAttributes& attributes) {
    std::wstring marks;
    for (uint32_t entry : attributes.entries) {
        const bool range = (entry >> LineAttributes::RANGE_SHIFT) & BIT;
        const bool position = (entry >> LineAttributes::POSITION_SHIFT) & BIT;
        marks += range ? (position ? L'b' : L'r') : (position ? L'p' : L'.');
    }
    return marks;
}

class SpanHighlighterTest : public SpanTest {
protected:
    SpanHighlighterTest() { highlighter().setBit(BIT); }

    SpanHighlighter& highlighter() { return manager().getHighlighter(); }
    // Marks line 0 (or the line given) into the buffer of the paints before, cut to width
    // entries and cleared first as the layout does: no mark outlives its paint.
    std::wstring paint(size_t width, int32_t line = 0) {
        m_attributes.entries.resize(width);
        TextHighlighter::clearAttributeMarks(m_attributes);
        const int32_t first = document->getLineStart(line);
        highlighter().update(line, m_attributes, first, first + document->getLineLength(line));
        return marksOf(m_attributes);
    }
    // A span over [start, start + length) under the root, listed by the highlighter.
    Span* listed(int32_t start, int32_t length) {
        auto* span = new Span(length);
        manager().getRoot().appendChild(span, start, false, nullptr);
        highlighter().addSpan(span);
        return span;
    }

private:
    LineAttributes m_attributes;
};

} // namespace

TEST_F(SpanHighlighterTest, SpansAreMarkedAsRangesOrPositionsWithinTheLine) {
    struct Case {
        int32_t start, length;
        size_t width;
        int32_t line;
        const wchar_t* marks;
    };
    const Case cases[] = {
        {4, 0, 8, 0, L"....p..."},
        {2, 3, 3, 0, L"..rrr.........."}, // a short buffer grows to the range's end and 10 more
        {1, 16, 8, 1, L"rrrrrr.."},            // from 10 characters before line 1 on: its columns only
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.marks);
        load(L"0123456789\nbcdefg");
        Span* span = listed(test.start, test.length);
        EXPECT_EQ(test.marks, paint(test.width, test.line));
        span->destroy();
    }
}

TEST_F(SpanHighlighterTest, RemovingASpanRepaintsExactlyItsRange) {
    load(L"0123456789\nabcdef\n");
    Span* span = listed(3, 9);
    tessel_test::NoticeRecorder notices(*controller);
    highlighter().removeSpan(span);
    EXPECT_EQ(std::vector<std::wstring>{L"selection 0:3-1:1"}, notices.take());
    EXPECT_EQ(L"..........", paint(10));
    span->destroy();
}

TEST_F(SpanHighlighterTest, SpansAddedOrGrownAfterAPaintAreDrawnAtTheNext) {
    load(L"");
    insertSnippet(L"(${1:a}) ${2:b}", 0);
    // Only the active snippet's primaries are listed.
    EXPECT_EQ(2u, highlighter().getSpans().size());
    EXPECT_EQ(L".r..r.....", paint(10));
    select(2, 2);
    type(L"xy");
    // Each at its new range only: the marks of the paint before are gone.
    EXPECT_EQ(L".rrr..r...", paint(10));
    Span* late = listed(7, 0);
    EXPECT_EQ(L".rrr..rp..", paint(10));
    late->destroy();
    // Leaving the snippet takes its tint.
    EXPECT_TRUE(controller->leaveSpanContext());
    EXPECT_TRUE(highlighter().getSpans().empty());
    EXPECT_EQ(L"..........", paint(10));
}
