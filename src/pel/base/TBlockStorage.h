#pragma once
// An append-only list kept in blocks of a fixed number of entries, so that growing it never
// copies what it holds; read back by copying it out into one array once it is complete. The
// loader collects the line breaks of a file this way before the line table is built in one go.

#include "pel/base/Assert.h"
#include "pel/base/Exception.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

namespace pel {

template <class T, size_t BlockEntries = 256>
class TBlockStorage {
    static_assert(std::is_trivially_copyable<T>::value, "entries are copied as bytes");

public:
    static constexpr size_t BLOCK_ENTRIES = BlockEntries;

    TBlockStorage() = default;
    TBlockStorage(const TBlockStorage&) = delete;
    TBlockStorage& operator=(const TBlockStorage&) = delete;

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    // Throws std::bad_alloc when a new block cannot be had; the list stays as it was.
    void push_back(const T& value) {
        const size_t inBlock = m_size % BlockEntries;
        if (inBlock == 0 && m_size / BlockEntries == m_blocks.size()) {
            std::unique_ptr<T[]> block(new T[BlockEntries]);
            m_blocks.push_back(std::move(block));
        }
        m_blocks[m_size / BlockEntries][inBlock] = value;
        ++m_size;
    }

    // Copies every entry, in order, to o_buffer, which holds capacity entries; returns the
    // count copied. A buffer shorter than the list throws InvalidArgumentException.
    size_t copy(T* o_buffer, size_t capacity) const {
        if (capacity < m_size)
            throw InvalidArgumentException(L"buff is too small");
        size_t copied = 0;
        for (size_t block = 0; copied < m_size; ++block) {
            const size_t count = m_size - copied < BlockEntries ? m_size - copied : BlockEntries;
            std::memcpy(o_buffer + copied, m_blocks[block].get(), count * sizeof(T));
            copied += count;
        }
        PEL_ASSERT(copied == m_size);
        return copied;
    }

    // Empties the list and frees its blocks.
    void clear() {
        std::vector<std::unique_ptr<T[]>>().swap(m_blocks);
        m_size = 0;
    }

private:
    std::vector<std::unique_ptr<T[]>> m_blocks;
    size_t m_size = 0;
};

} // namespace pel
