#include "pel/base/TBlockStorage.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

TEST(TBlockStorageTest, KeepsEntriesInOrderAcrossBlocksAndCopiesThemOut) {
    for (size_t count : {0u, 1u, 256u, 257u, 600u}) {
        pel::TBlockStorage<int32_t> list;
        for (size_t i = 0; i < count; ++i)
            list.push_back(static_cast<int32_t>(i * 3));
        ASSERT_EQ(count, list.size());
        std::vector<int32_t> out(count + 1, -1);
        EXPECT_EQ(count, list.copy(out.data(), count));
        for (size_t i = 0; i < count; ++i)
            ASSERT_EQ(static_cast<int32_t>(i * 3), out[i]) << count;
        EXPECT_EQ(-1, out[count]); // nothing written behind the entries
        if (count > 0) {
            try {
                list.copy(out.data(), count - 1);
                ADD_FAILURE() << "a short buffer was accepted";
            } catch (const pel::InvalidArgumentException& e) {
                EXPECT_EQ(L"buff is too small", e.message);
            }
        }
        list.clear();
        EXPECT_TRUE(list.empty());
        list.push_back(7);
        EXPECT_EQ(1u, list.copy(out.data(), 1));
        EXPECT_EQ(7, out[0]);
    }
}
