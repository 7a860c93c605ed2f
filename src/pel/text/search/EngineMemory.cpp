#include "pel/text/search/EngineMemory.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// Each block starts with its size, so that a block is kept in the class it fills and realloc
// knows what to copy; 8 bytes keep the C heap's alignment.
constexpr size_t HEADER = 8;
// Classes of kept blocks: [1 KiB, 2 KiB), ..., [16 KiB, 32 KiB).
constexpr int FIRST_CLASS = 10;
constexpr int CLASSES = 5;
constexpr int KEPT_PER_CLASS = 8;

// Held for a few instructions at a time, so a spin is cheaper than the system's locks (a call
// into ntdll under Wine).
class SpinLock {
public:
    void lock() {
        while (m_held.exchange(true, std::memory_order_acquire))
            while (m_held.load(std::memory_order_relaxed))
                ::SwitchToThread();
    }
    void unlock() { m_held.store(false, std::memory_order_release); }

private:
    std::atomic<bool> m_held{false};
};

struct Kept {
    SpinLock lock;
    void* blocks[CLASSES][KEPT_PER_CLASS] = {};
    int counts[CLASSES] = {};
};

Kept& kept() {
    static Kept instance;
    return instance;
}

int floorLog2(size_t n) { return 31 - __builtin_clz(static_cast<uint32_t>(n)); }

// The class a block of `size` bytes fills, or -1.
int classFilled(size_t size) {
    if (size < (size_t(1) << FIRST_CLASS))
        return -1;
    const int c = floorLog2(size) - FIRST_CLASS;
    return c < CLASSES ? c : -1;
}

size_t& sizeOf(void* block) { return *reinterpret_cast<size_t*>(static_cast<char*>(block) - HEADER); }

// A kept block of the class that holds at least `size` bytes, or null.
void* takeKept(int c, size_t size) {
    Kept& k = kept();
    void* block = nullptr;
    k.lock.lock();
    for (int i = k.counts[c] - 1; i >= 0; --i)
        if (sizeOf(k.blocks[c][i]) >= size) {
            block = k.blocks[c][i];
            k.blocks[c][i] = k.blocks[c][--k.counts[c]];
            break;
        }
    k.lock.unlock();
    return block;
}

// Keeps the block, or returns the block that the class lets go for it (the smallest of the
// class, so that what is kept serves every request of the class in time), or the block itself.
void* keep(int c, void* block) {
    Kept& k = kept();
    k.lock.lock();
    void* left = nullptr;
    if (k.counts[c] < KEPT_PER_CLASS) {
        k.blocks[c][k.counts[c]++] = block;
    } else {
        int smallest = 0;
        for (int i = 1; i < KEPT_PER_CLASS; ++i)
            if (sizeOf(k.blocks[c][i]) < sizeOf(k.blocks[c][smallest]))
                smallest = i;
        left = block;
        if (sizeOf(k.blocks[c][smallest]) < sizeOf(block))
            std::swap(left, k.blocks[c][smallest]);
    }
    k.lock.unlock();
    return left;
}

} // namespace

extern "C" {

void* pel_onig_malloc(size_t size) {
    // The engine asks again and again for the same few sizes (each pattern's stack): a block
    // kept in the size's class that is large enough serves.
    const int c = classFilled(size);
    if (c >= 0)
        if (void* block = takeKept(c, size))
            return block;
    if (size > SIZE_MAX - HEADER)
        return nullptr;
    char* raw = static_cast<char*>(std::malloc(size + HEADER));
    if (!raw)
        return nullptr;
    *reinterpret_cast<size_t*>(raw) = size;
    return raw + HEADER;
}

void* pel_onig_calloc(size_t count, size_t size) {
    if (size != 0 && count > SIZE_MAX / size)
        return nullptr;
    void* block = pel_onig_malloc(count * size);
    if (block)
        std::memset(block, 0, count * size);
    return block;
}

void pel_onig_free(void* block) {
    if (!block)
        return;
    const int c = classFilled(sizeOf(block));
    if (c >= 0)
        block = keep(c, block);
    if (block)
        std::free(static_cast<char*>(block) - HEADER);
}

void* pel_onig_realloc(void* block, size_t size) {
    if (!block)
        return pel_onig_malloc(size);
    // The engine shrinks what it compiled to fit once it is done: the heap's own resizing keeps
    // that exact.
    if (size > SIZE_MAX - HEADER)
        return nullptr;
    char* raw = static_cast<char*>(std::realloc(static_cast<char*>(block) - HEADER, size + HEADER));
    if (!raw)
        return nullptr;
    *reinterpret_cast<size_t*>(raw) = size;
    return raw + HEADER;
}

void* pel_onig_memcpy(void* to, const void* from, size_t size) {
    // The engine copies its stack (kilobytes) once per search: a string move is the fastest copy
    // of that size on current processors, and needs no call into the C library.
    void* result = to;
    asm volatile("rep movsb" : "+D"(to), "+S"(from), "+c"(size) : : "memory");
    return result;
}

} // extern "C"

namespace pel {

EngineMemoryKept engineMemoryKept() {
    Kept& k = kept();
    EngineMemoryKept result;
    k.lock.lock();
    for (int c = 0; c < CLASSES; ++c)
        for (int i = 0; i < k.counts[c]; ++i) {
            ++result.blocks;
            result.bytes += sizeOf(k.blocks[c][i]);
        }
    k.lock.unlock();
    return result;
}

} // namespace pel
