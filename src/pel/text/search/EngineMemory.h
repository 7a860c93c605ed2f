#pragma once
// The regular-expression engine's allocator. The engine keeps a search's backtracking stack on
// the heap from its first match attempt to the search's end, so every call that tries a place
// allocates, copies and frees a few kilobytes: with many short calls per line (highlighting)
// that is a large share of the time under Wine's heap. The engine's library is linked with its
// malloc, calloc, realloc, free and memcpy routed here (see cmake/Dependencies.cmake); blocks of
// one to thirty-two kilobytes that it frees are kept, a few of each size class, for its next
// calls. Everything else goes to the C heap.

#include <cstddef>

extern "C" {
void* pel_onig_malloc(size_t size);
void* pel_onig_calloc(size_t count, size_t size);
void* pel_onig_realloc(void* block, size_t size);
void pel_onig_free(void* block);
void* pel_onig_memcpy(void* to, const void* from, size_t size);
}

namespace pel {

// Blocks the allocator keeps for reuse, and their bytes (tests).
struct EngineMemoryKept {
    size_t blocks = 0;
    size_t bytes = 0;
};
EngineMemoryKept engineMemoryKept();

} // namespace pel
