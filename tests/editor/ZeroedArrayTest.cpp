// The editor's per-line arrays in zeroed pages: what is written stays, clearing and erasing
// leave zeros (whole pages or not), and growth keeps every entry.

#include "editor/ZeroedArray.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace tessel;

namespace {

struct Pair {
    int32_t a;
    int32_t b;
};

TEST(ZeroedArrayTest, EntriesStartEmptyAndClearingKeepsTheNeighbours) {
    ZeroedArray<Pair> entries;
    entries.assign(2000000);
    ASSERT_EQ(2000000u, entries.size());
    EXPECT_GE(entries.capacity(), entries.size() + entries.size() / 16);
    for (size_t i : {size_t(0), size_t(777777), size_t(1999999)})
        EXPECT_EQ(0, entries[i].a + entries[i].b) << i;
    for (size_t i = 1000; i < 1500000; i += 999)
        entries[i] = Pair{int32_t(i), -1};
    // Pages in the middle go back whole; the edges are cleared by hand.
    entries.clear(1999, 1400001);
    EXPECT_EQ(1000, entries[1000].a);
    EXPECT_EQ(0, entries[1999].a);
    EXPECT_EQ(0, entries[700300].a);
    EXPECT_EQ(0, entries[1399600].a);
    EXPECT_EQ(1400599, entries[1400599].a);
    EXPECT_EQ(-1, entries[1400599].b);
    // A short range, within a page.
    entries.clear(1400599, 1400600);
    EXPECT_EQ(0, entries[1400599].a);
    EXPECT_EQ(1401598, entries[1401598].a);
    // Assigning again empties everything.
    entries.assign(10);
    EXPECT_EQ(0, entries[9].a);
}

TEST(ZeroedArrayTest, InsertsAndErasesMoveTheEntriesBehind) {
    ZeroedArray<Pair> entries;
    entries.assign(4);
    for (int32_t i = 0; i < 4; ++i)
        entries[i] = Pair{i + 1, 0};
    entries.insert(1, 2);
    ASSERT_EQ(6u, entries.size());
    const int32_t afterInsert[] = {1, 0, 0, 2, 3, 4};
    for (int32_t i = 0; i < 6; ++i)
        EXPECT_EQ(afterInsert[i], entries[i].a) << i;
    entries.erase(0, 3);
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ(2, entries[0].a);
    EXPECT_EQ(4, entries[2].a);
    // Growth past the room keeps every entry and empties the new ones, even where erased
    // entries were.
    const size_t room = entries.capacity();
    entries.insert(3, room);
    ASSERT_EQ(room + 3, entries.size());
    EXPECT_EQ(4, entries[2].a);
    for (size_t i = 3; i < entries.size(); ++i)
        ASSERT_EQ(0, entries[i].a) << i;
    entries.insert(0, 1);
    EXPECT_EQ(0, entries[0].a);
    EXPECT_EQ(2, entries[1].a);
}

} // namespace
