#pragma once
// Memory blocks that come from other programs (clipboard and drop data): their sizes are read
// only inside the block's own bounds, never up to a terminator that may not be there. Also a
// holder that frees a global block unless it is handed on, and a scoped lock of one.

#include "afw/core/afOwnedHandle.h"

#include <cstddef>
#include <cstdint>
#include <windows.h>

namespace afDataBlock {

// Bytes of narrow text before its first NUL, or all of them when it has none.
uint32_t narrowTextSize(const void* data, size_t size);
// Bytes of UTF-16 text before its first NUL unit, or of its whole units when it has none (an
// odd last byte is no character).
uint32_t wideTextSize(const void* data, size_t size);
// A DROPFILES block whose header and file list lie inside it and whose list ends (two NULs,
// wide or narrow as the header says) before the block does.
bool isDropFiles(const void* data, size_t size);

} // namespace afDataBlock

struct afGlobalFree {
    static void free(HGLOBAL handle) { ::GlobalFree(handle); }
};
using afOwnedGlobal = TOwnedHandle<HGLOBAL, afGlobalFree>;

// Locks a global block for its lifetime; data() is null when the lock failed.
class afGlobalLock {
public:
    explicit afGlobalLock(HGLOBAL block) : m_block(block), m_data(block ? ::GlobalLock(block) : nullptr) {}
    ~afGlobalLock() {
        if (m_data)
            ::GlobalUnlock(m_block);
    }
    afGlobalLock(const afGlobalLock&) = delete;
    afGlobalLock& operator=(const afGlobalLock&) = delete;

    void* data() const { return m_data; }
    // The block's size as the system reports it; 0 for a block that is not one.
    size_t size() const { return m_data ? ::GlobalSize(m_block) : 0; }

private:
    HGLOBAL m_block;
    void* m_data;
};
