#include "pel/base/TBlockStorage.h"

#include <gtest/gtest.h>

#include <vector>

TEST(TBlockStorageTest, KeepsEntriesInOrderAcrossBlocksAndCopiesThemOut) {
    for (size_t count : {0u, 256u, 600u}) {
        pel::TBlockStorage<int32_t> list;
        for (size_t i = 0; i < count; ++i)
            list.push_back(static_cast<int32_t>(i * 3));
        std::vector<int32_t> out(count + 1, -1);
        ASSERT_EQ(count, list.copy(out.data(), count));
        for (size_t i = 0; i < count; ++i)
            ASSERT_EQ(static_cast<int32_t>(i * 3), out[i]) << count;
        EXPECT_EQ(-1, out[count]); // nothing written behind the entries
        if (count > 0) {
            EXPECT_THROW(list.copy(out.data(), count - 1), pel::InvalidArgumentException);
        }
        list.clear();
        EXPECT_EQ(0u, list.copy(out.data(), 0));
    }
}
