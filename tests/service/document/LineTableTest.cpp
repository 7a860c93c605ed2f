// The line table of a loaded text: its ends alone until lines are given something, headers made
// as lines need them, and the map built by the first edit of the lines, each line keeping what
// it held.

#include "service/document/LineTable.h"
#include "service/parser/base/LineRecord.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tessel;

namespace {

// Lines of `width` units (line feed included); the last line is empty.
LineTable& loadLines(LineTable& table, int32_t lines, int32_t width) {
    LineEnds ends;
    for (int32_t line = 1; line <= lines; ++line)
        ends.push_back(line * width);
    table.rebuild(std::move(ends), lines * width);
    return table;
}

TEST(LineEndsTest, EndsGrowInOrderAndMoveWhole) {
    LineEnds ends;
    for (int32_t i = 0; i < 300000; ++i)
        ends.push_back(i * 2 + 1);
    ASSERT_EQ(300000, ends.size());
    EXPECT_GE(ends.capacity(), ends.size());
    EXPECT_EQ(1, ends[0]);
    EXPECT_EQ(599999, ends[299999]);
    LineEnds moved(std::move(ends));
    EXPECT_EQ(0, ends.size());
    EXPECT_EQ(nullptr, ends.data());
    EXPECT_EQ(300000, moved.size());
    ends = std::move(moved);
    EXPECT_EQ(599999, ends[299999]);
}

TEST(LineTableTest, ALoadedTableHoldsItsEndsAloneUntilALineIsGivenSomething) {
    constexpr int32_t LINES = 1000000;
    LineTable table;
    loadLines(table, LINES, 7);
    ASSERT_EQ(LINES + 1, table.count());
    EXPECT_EQ(7 * 500000, table.start(500000));
    EXPECT_EQ(7 * LINES, table.end(LINES));
    EXPECT_EQ(123456, table.findLine(7 * 123456 + 3));
    // A little over four bytes a line: no header, no map.
    EXPECT_LT(table.memoryHeld(), size_t(LINES) * 5);
    const LineTable& lines = table;
    for (int32_t line : {0, 4242, LINES}) {
        EXPECT_FALSE(lines.hasHeader(line));
        EXPECT_EQ(LINE_IN_USE, lines.header(line).flags);
        EXPECT_EQ(nullptr, lines.header(line).parsedLine);
        EXPECT_EQ(nullptr, lines.header(line).markers);
    }
    // The parser goes from the top: the lines up to the one it stores get headers, no more.
    table.header(1000).parsedLine = std::malloc(16);
    EXPECT_TRUE(lines.hasHeader(1000));
    EXPECT_FALSE(lines.hasHeader(1001));
    EXPECT_NE(nullptr, lines.header(1000).parsedLine);
    EXPECT_EQ(nullptr, lines.header(999).parsedLine);
    EXPECT_LT(table.memoryHeld(), size_t(LINES) * 5 + 64 * 1024);
    // Clearing the records of every line makes no header either.
    table.clearParsedLines(0, LINES);
    EXPECT_EQ(nullptr, lines.header(1000).parsedLine);
    EXPECT_TRUE(lines.header(1000).flags & LINE_NEEDS_PARSING);
    EXPECT_FALSE(lines.hasHeader(5000));
    EXPECT_LT(table.memoryHeld(), size_t(LINES) * 5 + 64 * 1024);
    // A marker far down makes headers down to it; what it frees at the end the table frees.
    table.header(LINES - 1).markers = new std::vector<LineMarker>{{1, 2, L"far"}};
    EXPECT_TRUE(lines.hasHeader(LINES - 1));
    EXPECT_FALSE(lines.hasHeader(LINES));
}

TEST(LineTableTest, TheFirstEditBuildsTheMapAndEveryLineKeepsWhatItHeld) {
    LineTable table;
    loadLines(table, 5, 4); // six lines, the last empty
    void* record = std::malloc(8);
    table.header(1).parsedLine = record;
    table.header(3).markers = new std::vector<LineMarker>{{7, 0, L"mark"}};
    // Two line feeds typed at the start of line 2: the new lines come before its header.
    const int32_t feeds[] = {1, 2};
    table.reserveInsert(2);
    table.insert(8, 2, 2, feeds, 2, true);
    ASSERT_EQ(8, table.count());
    EXPECT_TRUE(table.hasHeader(7));
    EXPECT_EQ(record, table.header(1).parsedLine);
    ASSERT_NE(nullptr, table.header(5).markers);
    EXPECT_EQ(L"mark", table.header(5).markers->front().text);
    EXPECT_EQ(nullptr, table.header(3).markers);
    for (int32_t line : {2, 3, 4})
        EXPECT_TRUE(table.header(line).flags & LINE_NEEDS_PARSING) << line;
    EXPECT_FALSE(table.header(6).flags & LINE_NEEDS_PARSING);
    EXPECT_EQ(9, table.end(2));
    EXPECT_EQ(14, table.end(4));
    // Taking them out again brings the marked line back to 3 with its marker.
    table.reserveRemove(2);
    table.remove(2, 2, 2, true);
    ASSERT_EQ(6, table.count());
    EXPECT_EQ(record, table.header(1).parsedLine);
    ASSERT_NE(nullptr, table.header(3).markers);
    EXPECT_EQ(7u, table.header(3).markers->front().kind);
    EXPECT_EQ(20, table.end(5));
}

TEST(LineTableTest, AnEditOfALineWithoutBreaksStillFindsItsHeader) {
    LineTable table;
    loadLines(table, 3, 10);
    table.reserveInsert(0);
    table.insert(25, 3, 2, nullptr, 0, false);
    EXPECT_TRUE(table.header(2).flags & LINE_NEEDS_PARSING);
    EXPECT_FALSE(table.header(1).flags & LINE_NEEDS_PARSING);
    EXPECT_EQ(33, table.end(2));
    EXPECT_EQ(33, table.end(3));
}

} // namespace
