#include "pel/base/BlockHeap.h"
#include "pel/base/MemoryPool.h"
#include "pel/base/TAllocator.h"
#include "pel/base/TBlockStorage.h"
#include "pel/base/TDataStorage.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <thread>
#include <vector>

using namespace pel;

namespace {

int g_constructed = 0;
int g_destroyed = 0;

struct Probe {
    Probe() { ++g_constructed; }
    ~Probe() { ++g_destroyed; }
    int value = 0;
};

struct TAllocatorTest : ::testing::Test {
    void SetUp() override { g_constructed = g_destroyed = 0; }
};

template <class Body>
void onFourThreads(Body body) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(body);
    for (auto& thread : threads)
        thread.join();
}

} // namespace

TEST(MemoryPool, MaximumCountsPreallocatedBlocks) {
    MemoryPool pool(64, 2, 2);
    EXPECT_EQ(2, pool.available());
    void* a = pool.get();
    void* b = pool.get();
    EXPECT_NE(a, b);
    EXPECT_EQ(L"MemoryPool exhausted", tessel_test::thrown<OutOfMemoryException>([&] { pool.get(); }));
    pool.release(a);
    EXPECT_EQ(a, pool.get());
    pool.release(a);
    pool.release(b);
    EXPECT_EQ(2, pool.allocated());
    EXPECT_THROW(MemoryPool(64, 3, 2), AssertionViolationException);
    EXPECT_THROW(MemoryPool(64, -1, 0), AssertionViolationException);
}

TEST_F(TAllocatorTest, ObjectsAreBuiltPerChunkAndTwoEmptyChunksStay) {
    {
        TAllocator<Probe, 40> pool;
        std::vector<Probe*> taken;
        for (int i = 0; i < 41; ++i)
            taken.push_back(pool.allocate());
        EXPECT_EQ(2u, pool.chunkCount());
        EXPECT_EQ(80, g_constructed);
        EXPECT_EQ(41u, std::set<Probe*>(taken.begin(), taken.end()).size());
        for (Probe* p : taken)
            pool.deallocate(p);
        EXPECT_EQ(2, pool.reserveCount());
        EXPECT_EQ(0, g_destroyed);

        // Fill all three chunks, then empty them: the third empty one goes back to the heap.
        taken.clear();
        for (int i = 0; i < 81; ++i)
            taken.push_back(pool.allocate());
        EXPECT_EQ(3u, pool.chunkCount());
        for (Probe* p : taken)
            pool.deallocate(p);
        EXPECT_EQ(2u, pool.chunkCount());
        EXPECT_EQ(40, g_destroyed);
    }
    EXPECT_EQ(g_constructed, g_destroyed);
}

TEST_F(TAllocatorTest, RandomOrderKeepsObjectsAndChunksConsistent) {
    TAllocator<Probe, 40> pool;
    std::mt19937 random(42);
    std::vector<Probe*> live;
    for (int round = 0; round < 2000; ++round) {
        if (live.empty() || (live.size() < 300 && random() % 3 != 0)) {
            Probe* p = pool.allocate();
            ASSERT_EQ(live.end(), std::find(live.begin(), live.end(), p));
            p->value = round;
            live.push_back(p);
        } else {
            const size_t i = random() % live.size();
            pool.deallocate(live[i]);
            live.erase(live.begin() + i);
        }
    }
    // Objects still held are untouched by the other allocations: values rise in allocation order.
    for (size_t i = 1; i < live.size(); ++i)
        EXPECT_LT(live[i - 1]->value, live[i]->value);
    std::shuffle(live.begin(), live.end(), random);
    for (Probe* p : live)
        pool.deallocate(p);
    EXPECT_LE(pool.chunkCount(), 2u);
}

TEST_F(TAllocatorTest, ForeignAndRepeatedPointersAreRefused) {
    TAllocator<Probe, 4> pool;
    Probe* p = pool.allocate();
    Probe outside;
    EXPECT_THROW(pool.deallocate(&outside), AssertionViolationException);
    EXPECT_THROW(pool.deallocate(reinterpret_cast<Probe*>(reinterpret_cast<char*>(p) + 1)),
                 AssertionViolationException);
    pool.deallocate(p);
    // Every slot of its chunk is free now, so a second release cannot be genuine.
    EXPECT_THROW(pool.deallocate(p), AssertionViolationException);

    // The same in a chunk that stays in use: the slot must not enter the free stack twice,
    // or two later allocations would share it.
    Probe* kept = pool.allocate();
    Probe* twice = pool.allocate();
    pool.deallocate(twice);
    EXPECT_THROW(pool.deallocate(twice), AssertionViolationException);
    Probe* first = pool.allocate();
    Probe* second = pool.allocate();
    EXPECT_NE(first, second);
    for (Probe* q : {kept, first, second})
        pool.deallocate(q);
}

TEST_F(TAllocatorTest, LockedPoolsServeThreadsWithoutGrowing) {
    MemoryPool blocks(32);
    onFourThreads([&blocks] {
        for (int i = 0; i < 20000; ++i) {
            void* a = blocks.get();
            blocks.release(blocks.get());
            blocks.release(a);
        }
    });
    EXPECT_LE(blocks.allocated(), 8);
    EXPECT_EQ(blocks.allocated(), blocks.available());

    TLockedAllocator<Probe, 16> objects;
    onFourThreads([&objects] {
        std::vector<Probe*> mine;
        for (int i = 0; i < 5000; ++i) {
            mine.push_back(objects.allocate());
            if (mine.size() > 20) {
                objects.deallocate(mine.front());
                mine.erase(mine.begin());
            }
        }
        for (Probe* p : mine)
            objects.deallocate(p);
    });
    EXPECT_LE(objects.chunkCount(), 2u);
}

TEST(BlockHeap, BlocksOfEverySizeAreTheirOwnAndComeBack) {
    // Every small size, several blocks each: 8-byte aligned, distinct, and fully usable.
    std::vector<std::pair<unsigned char*, size_t>> blocks;
    for (size_t size = 0; size <= BlockHeap::MAX_BLOCK + 8; ++size) {
        for (int copy = 0; copy < 3; ++copy) {
            auto* block = static_cast<unsigned char*>(BlockHeap::allocate(size));
            ASSERT_NE(nullptr, block);
            EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(block) % 8) << size;
            std::memset(block, static_cast<int>(size & 0xFF), size);
            blocks.emplace_back(block, size);
        }
    }
    for (const auto& block : blocks)
        for (size_t i = 0; i < block.second; ++i)
            ASSERT_EQ(static_cast<unsigned char>(block.second & 0xFF), block.first[i]) << block.second;
    const size_t held = BlockHeap::slabCount();
    for (const auto& block : blocks)
        BlockHeap::deallocate(block.first, block.second);
    BlockHeap::deallocate(nullptr, 16);
    // A freed block is handed out again, and emptied slabs wait in reserve.
    void* again = BlockHeap::allocate(24);
    BlockHeap::deallocate(again, 24);
    EXPECT_EQ(again, BlockHeap::allocate(24));
    BlockHeap::deallocate(again, 24);
    EXPECT_EQ(held, BlockHeap::slabCount());
    EXPECT_GE(BlockHeap::reserveCount(), 1u);

    // Past a slab's worth of blocks of one size, and back.
    std::vector<void*> many;
    for (size_t i = 0; i < 3 * BlockHeap::SLAB_SIZE / 64; ++i)
        many.push_back(BlockHeap::allocate(64));
    EXPECT_EQ(many.size(), std::set<void*>(many.begin(), many.end()).size());
    for (void* block : many)
        BlockHeap::deallocate(block, 64);
}

TEST(BlockHeap, ThreadsShareItAndFreeWhatOthersMade) {
    const size_t slabsInUse = BlockHeap::slabCount() - BlockHeap::reserveCount();
    // Each thread frees blocks another thread made as well as its own.
    std::vector<void*> made[4];
    for (auto& list : made)
        for (int i = 0; i < 20000; ++i)
            list.push_back(BlockHeap::allocate(8 + 8 * (i % 16)));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&made, t] {
            std::vector<void*> mine;
            for (int i = 0; i < 20000; ++i) {
                BlockHeap::deallocate(made[t][i], 8 + 8 * (i % 16));
                mine.push_back(BlockHeap::allocate(40));
            }
            for (void* block : mine)
                BlockHeap::deallocate(block, 40);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    // Everything went back: the slabs it took are empty again.
    EXPECT_LE(BlockHeap::slabCount() - BlockHeap::reserveCount(), slabsInUse);
}

// A storage for small texts doubles its blocks from the first up to the full size; reserve makes
// a block of just the size asked when the current one lacks the room.
TEST(TDataStorage, SmallFirstBlocksGrowAndReserveFitsExactly) {
    TDataStorage storage(1000);
    // Requests and the room left: blocks of 1000, 2000, 4000, 8000, 16000, then 16384 characters.
    const std::pair<size_t, size_t> steps[] = {{1, 999},     {999, 0},     {1, 1999},   {2000, 2000},    {4000, 4000},
                                               {8000, 8000}, {16000, 384}, {16384, 0},  {20000, 16384}, {16384, 0}};
    for (const auto& step : steps) {
        storage.allocate(step.first)[step.first - 1] = L'x';
        EXPECT_EQ(step.second, storage.remaining()) << step.first;
    }
    storage.reserve(5000);
    EXPECT_EQ(5000u, storage.remaining());
    storage.reserve(4000); // fits
    EXPECT_EQ(5000u, storage.remaining());
    for (const std::pair<size_t, size_t> clamped : {std::make_pair(0, 0), std::make_pair(100000, 16383)}) {
        TDataStorage other(clamped.first);
        other.allocate(1);
        EXPECT_EQ(clamped.second, other.remaining());
    }
}

TEST(TDataStorage, LargeRequestsGetTheirOwnBlockAndClearStartsAgain) {
    TDataStorage storage;
    wchar_t* big = storage.allocate(20000);
    EXPECT_EQ(big + 20000, storage.allocate(16384)); // the rest of the same block
    EXPECT_THROW(storage.allocate(0), AssertionViolationException);
    storage.clear();
    EXPECT_EQ(0u, storage.remaining());
    storage.allocate(3)[2] = L'z';
    EXPECT_EQ(TDataStorage::BLOCK_CHARS - 3, storage.remaining());
}

TEST(TBlockStorageTest, KeepsEntriesInOrderAcrossBlocksAndCopiesThemOut) {
    for (size_t count : {0u, 256u, 600u}) {
        TBlockStorage<int32_t> list;
        for (size_t i = 0; i < count; ++i)
            list.push_back(static_cast<int32_t>(i * 3));
        std::vector<int32_t> out(count + 1, -1);
        ASSERT_EQ(count, list.copy(out.data(), count));
        for (size_t i = 0; i < count; ++i)
            ASSERT_EQ(static_cast<int32_t>(i * 3), out[i]) << count;
        EXPECT_EQ(-1, out[count]); // nothing written behind the entries
        if (count > 0) {
            EXPECT_THROW(list.copy(out.data(), count - 1), InvalidArgumentException);
        }
        list.clear();
        EXPECT_EQ(0u, list.copy(out.data(), 0));
    }
}
