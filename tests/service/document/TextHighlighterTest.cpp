#include "service/document/TextHighlighter.h"

#include <gtest/gtest.h>

using tessel::LineAttributes;
using tessel::TextHighlighter;

TEST(TextHighlighterTest, MarksRangesAndPositionsInTheirOwnBytesAndClearsThemBeforeTheNextPaint) {
    const uint32_t s = 7, r = 0x04u << 16, p = 0x04u << 24;
    std::vector<uint32_t> grown(15, 0);
    std::fill_n(grown.begin(), 4, s);
    grown[5] = p;
    const struct {
        const char* name;
        int first, last;
        std::vector<uint32_t> entries; // after marking bit 0x04 into four entries of style 7
    } cases[] = {
        {"range", 1, 3, {s, s | r, s | r, s}},
        {"position", 2, 2, {s, s, s | p, s}},
        {"a caret past the text grows the buffer to last + 10", 5, 5, grown},
        {"a range that fits", 3, 4, {s, s, s, s | r}},
        {"a stale range before the line", -2, 3, {s, s, s, s}},
        {"an inverted range", 3, 1, {s, s, s, s}},
    };
    for (const auto& c : cases) {
        LineAttributes attributes;
        attributes.entries.assign(4, s);
        TextHighlighter::markAttributeRange(attributes, c.first, c.last, 0x04);
        EXPECT_EQ(c.entries, attributes.entries) << c.name;
        EXPECT_EQ(c.entries != std::vector<uint32_t>(4, s), attributes.dirty) << c.name;
        TextHighlighter::clearAttributeMarks(attributes);
        EXPECT_FALSE(attributes.dirty);
        attributes.entries.resize(4);
        EXPECT_EQ(std::vector<uint32_t>(4, s), attributes.entries) << c.name << ": only the style stays";
    }
    LineAttributes untouched;
    untouched.entries.assign(1, 0x00FF0102);
    TextHighlighter::clearAttributeMarks(untouched);
    EXPECT_EQ(0x00FF0102u, untouched.entries[0]) << "not marked since the last clearing: left alone";
}
