#pragma once
// An append-only arena of wide characters, freed as a whole. Blocks hold 16384 characters
// (more for a larger request); the rest of a block that a request did not fit in is abandoned.
// A storage made for small texts starts with a smaller block and doubles each next one until
// blocks reach the full size, and one told what it will hold takes a block of just that size, so
// that thousands of small documents do not each hold 32 KB.

#include <cstddef>

namespace pel {

class TDataStorage {
public:
    static constexpr size_t BLOCK_CHARS = 16384;

    TDataStorage() = default;
    // The first block (after construction or clear) holds firstBlockChars characters, clamped
    // to 1..BLOCK_CHARS.
    explicit TDataStorage(size_t firstBlockChars);
    ~TDataStorage();
    TDataStorage(const TDataStorage&) = delete;
    TDataStorage& operator=(const TDataStorage&) = delete;

    // Room for size characters (size >= 1).
    wchar_t* allocate(size_t size) {
        if (size == 0 || size > m_capacity)
            return allocateInNewBlock(size);
        wchar_t* room = reinterpret_cast<wchar_t*>(m_block + m_offset);
        m_capacity -= size;
        m_offset += size * sizeof(wchar_t);
        return room;
    }
    // Makes the next allocations of size characters in all come from one block: when the
    // current block has less room, a new block of exactly size characters follows it.
    void reserve(size_t size);

    // Releases every block; the storage starts empty again.
    void clear();

    size_t remaining() const { return m_capacity; }

private:
    wchar_t* allocateInNewBlock(size_t size);
    void addBlock(size_t chars);

    size_t m_firstBlock = BLOCK_CHARS;
    size_t m_nextBlock = BLOCK_CHARS; // characters of the next regular block
    size_t m_capacity = 0;            // characters left in the current block
    size_t m_offset = 0;              // byte offset of the next free character
    char* m_block = nullptr;
};

} // namespace pel
