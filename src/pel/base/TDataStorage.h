#pragma once
// An append-only arena of wide characters, freed as a whole. Blocks hold 16384 characters
// (more for a larger request); the rest of a block that a request did not fit in is abandoned.

#include <cstddef>

namespace pel {

class TDataStorage {
public:
    static constexpr size_t BLOCK_CHARS = 16384;

    TDataStorage() = default;
    ~TDataStorage();
    TDataStorage(const TDataStorage&) = delete;
    TDataStorage& operator=(const TDataStorage&) = delete;

    // Room for size characters (size >= 1).
    wchar_t* allocate(size_t size);

    // Releases every block; the storage starts empty again.
    void clear();

    size_t remaining() const { return m_capacity; }

private:
    size_t m_capacity = 0; // characters left in the current block
    size_t m_offset = 0;   // byte offset of the next free character
    char* m_block = nullptr;
};

} // namespace pel
