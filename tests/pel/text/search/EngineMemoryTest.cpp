#include "pel/text/search/EngineMemory.h"
#include "pel/text/search/RegEx.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

void fill(void* block, size_t size, unsigned seed) {
    auto* bytes = static_cast<unsigned char*>(block);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(seed + i * 7);
}

bool holds(const void* block, size_t size, unsigned seed) {
    const auto* bytes = static_cast<const unsigned char*>(block);
    for (size_t i = 0; i < size; ++i)
        if (bytes[i] != static_cast<unsigned char>(seed + i * 7))
            return false;
    return true;
}

} // namespace

TEST(EngineMemory, KeepsWhatItHoldsThroughGrowthShrinkingAndReuse) {
    for (const size_t size : {size_t(0), size_t(1), size_t(100), size_t(1023), size_t(1024), size_t(3300),
                              size_t(32767), size_t(32768), size_t(200000)}) {
        void* block = pel_onig_malloc(size);
        ASSERT_NE(nullptr, block) << size;
        fill(block, size, 3);
        void* grown = pel_onig_realloc(block, size * 2 + 10);
        ASSERT_NE(nullptr, grown) << size;
        EXPECT_TRUE(holds(grown, size, 3)) << size;
        void* shrunk = pel_onig_realloc(grown, size / 2);
        ASSERT_NE(nullptr, shrunk) << size;
        EXPECT_TRUE(holds(shrunk, size / 2, 3)) << size;
        pel_onig_free(shrunk);
    }
    pel_onig_free(nullptr);
    EXPECT_NE(nullptr, pel_onig_realloc(nullptr, 16)) << "realloc of nothing allocates";

    unsigned char* zeroed = static_cast<unsigned char*>(pel_onig_calloc(300, 13));
    ASSERT_NE(nullptr, zeroed);
    EXPECT_TRUE(std::all_of(zeroed, zeroed + 300 * 13, [](unsigned char b) { return b == 0; }));
    pel_onig_free(zeroed);
    EXPECT_EQ(nullptr, pel_onig_calloc(SIZE_MAX / 2, 3)) << "a count times a size past the address space";
    EXPECT_EQ(nullptr, pel_onig_malloc(SIZE_MAX - 4));
    EXPECT_EQ(nullptr, pel_onig_realloc(pel_onig_malloc(8), SIZE_MAX - 4));

    // A kept block serves the next request of its size, whatever it held (the engine's stack).
    void* stack = pel_onig_malloc(3300);
    fill(stack, 3300, 9);
    pel_onig_free(stack);
    void* again = pel_onig_malloc(3300);
    EXPECT_EQ(stack, again);
    std::vector<unsigned char> copy(3300);
    EXPECT_EQ(copy.data(), pel_onig_memcpy(copy.data(), again, copy.size()));
    EXPECT_TRUE(holds(copy.data(), copy.size(), 9));
    pel_onig_free(again);
}

// However many blocks are freed, a few of each class are kept: the larger ones, so that every
// request of the class is served in time.
TEST(EngineMemory, KeepsAFewBlocksOfEachClassAndTheLargerOnes) {
    std::vector<void*> blocks;
    for (size_t size = 2048; size < 4096; size += 16)
        blocks.push_back(pel_onig_malloc(size));
    for (void* block : blocks)
        pel_onig_free(block);
    const pel::EngineMemoryKept kept = pel::engineMemoryKept();
    EXPECT_LE(kept.blocks, 5u * 8u);
    EXPECT_LE(kept.bytes, size_t(5 * 8) * 32768);
    void* largest = pel_onig_malloc(4096 - 16);
    EXPECT_TRUE(std::find(blocks.begin(), blocks.end(), largest) != blocks.end())
        << "the largest block of the class was kept";
    pel_onig_free(largest);
}

// Threads that search at once share the kept blocks: nothing one holds is handed to another.
TEST(EngineMemory, ThreadsSearchingAtOnceKeepTheirOwnBlocks) {
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &failures] {
            for (int round = 0; round < 3000; ++round) {
                const size_t size = 1024 + static_cast<size_t>((round * 37 + t * 101) % 6000);
                void* block = pel_onig_malloc(size);
                if (!block) {
                    ++failures[t];
                    continue;
                }
                fill(block, size, static_cast<unsigned>(t * 31 + round));
                std::this_thread::yield();
                if (!holds(block, size, static_cast<unsigned>(t * 31 + round)))
                    ++failures[t];
                pel_onig_free(block);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(std::vector<int>(4, 0), failures);

    // The engine itself runs on it: a pattern with many groups and a deep backtrack.
    const std::unique_ptr<pel::RegEx> regex = pel::RegEx::create(L"((a)|(b)|(c))*+x|(?:a|ab)*y");
    const std::wstring text = std::wstring(5000, L'a') + L"y";
    pel::MatchResultsRegEx results;
    regex->search(&results, text.data(), text.data() + text.size(), text.data(), text.data() + text.size());
    ASSERT_TRUE(results.found());
    EXPECT_EQ(0, results.begin(0));
    EXPECT_EQ(static_cast<int>(text.size()), results.end(0));
}
