#include "service/document/TextHighlighter.h"

#include <gtest/gtest.h>

using tessel::LineAttributes;
using tessel::TextHighlighter;

namespace {

struct Marker : TextHighlighter {
    void update(int, LineAttributes&, int, int) override {}
};

} // namespace

TEST(TextHighlighterTest, MarksRangesAndPositionsInTheirOwnBytesAndGrowsTheBuffer) {
    struct Case {
        const char* name;
        int first, last;
        std::vector<uint32_t> entries; // after marking bit 0x04 into four entries of style 7
        bool dirty;
    };
    const uint32_t s = 7, r = 0x04u << 16, p = 0x04u << 24;
    std::vector<uint32_t> grown(15, 0);
    std::copy_n(std::vector<uint32_t>{s, s, s, s}.begin(), 4, grown.begin());
    grown[5] = p;
    const Case cases[] = {
        {"range", 1, 3, {s, s | r, s | r, s}, true},
        {"position", 2, 2, {s, s, s | p, s}, true},
        {"a caret past the text grows the buffer to last + 10", 5, 5, grown, true},
        {"a range ending past it too", 3, 4, {s, s, s, s | r}, true},
        {"a stale range before the line", -2, 3, {s, s, s, s}, false},
        {"an inverted range", 3, 1, {s, s, s, s}, false},
    };
    for (const Case& c : cases) {
        LineAttributes attributes;
        attributes.entries.assign(4, s);
        TextHighlighter::markAttributeRange(attributes, c.first, c.last, 0x04);
        EXPECT_EQ(c.entries, attributes.entries) << c.name;
        EXPECT_EQ(c.dirty, attributes.dirty) << c.name;
    }
}

TEST(TextHighlighterTest, ClearingDropsOnlyMarksAndOnlyOnceTheyWereSet) {
    LineAttributes attributes;
    attributes.entries.assign(3, 0x0102);
    TextHighlighter::markAttributeRange(attributes, 0, 2, 0x01);
    TextHighlighter::markAttributeRange(attributes, 2, 2, 0x10);
    TextHighlighter::clearAttributeMarks(attributes);
    EXPECT_EQ(std::vector<uint32_t>(3, 0x0102), attributes.entries);
    EXPECT_FALSE(attributes.dirty);
    attributes.entries[1] |= 0x00FF0000; // not marked through the highlighter: left alone
    TextHighlighter::clearAttributeMarks(attributes);
    EXPECT_EQ(0x00FF0102u, attributes.entries[1]);
}

TEST(TextHighlighterTest, KeepsItsStyleAndBit) {
    Marker marker;
    EXPECT_EQ(0u, marker.getBit());
    tessel::HighlightStyle style;
    style.background[3] = 0.25f;
    style.flags = 0x30;
    marker.setStyle(style);
    marker.setBit(4);
    tessel::HighlightStyle read;
    marker.getStyle(read);
    EXPECT_EQ(0.25f, read.background[3]);
    EXPECT_EQ(0x30, read.flags);
    EXPECT_EQ(4u, marker.getBit());
}
