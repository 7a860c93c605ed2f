#pragma once
// An array of plain records whose all-zero form is their empty value, kept in pages the system
// hands out zeroed: entries never written take no memory, so a per-line array over a document
// of millions of lines costs only the lines that were looked at. Clearing gives whole pages
// back. Growth keeps a sixteenth spare, so one inserted line does not copy the array.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

namespace tessel {

template <class T>
class ZeroedArray {
    static_assert(std::is_trivially_copyable<T>::value, "entries are moved as bytes");

public:
    ZeroedArray() = default;
    ~ZeroedArray() { release(); }
    ZeroedArray(const ZeroedArray&) = delete;
    ZeroedArray& operator=(const ZeroedArray&) = delete;

    size_t size() const { return m_size; }
    size_t capacity() const { return m_capacity; }
    T& operator[](size_t index) { return m_data[index]; }
    const T& operator[](size_t index) const { return m_data[index]; }

    // count empty entries; throws std::bad_alloc.
    void assign(size_t count) {
        if (count > m_capacity || m_capacity > 2 * (count + count / 16 + SPARE)) {
            T* fresh = allocate(count + count / 16 + SPARE);
            release();
            m_data = fresh;
            m_capacity = count + count / 16 + SPARE;
        } else {
            clear(0, m_size);
        }
        m_size = count;
    }
    // Empties the entries first..last - 1.
    void clear(size_t first, size_t last) {
        if (first >= last)
            return;
        char* begin = reinterpret_cast<char*>(m_data + first);
        char* end = reinterpret_cast<char*>(m_data + last);
        char* pageBegin = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(begin) + PAGE - 1) & ~(PAGE - 1));
        char* pageEnd = reinterpret_cast<char*>(reinterpret_cast<uintptr_t>(end) & ~(PAGE - 1));
        // Whole pages go back to the system and come again zeroed when next written.
        if (pageEnd - pageBegin >= static_cast<ptrdiff_t>(16 * PAGE) &&
            ::VirtualFree(pageBegin, static_cast<SIZE_T>(pageEnd - pageBegin), MEM_DECOMMIT) &&
            ::VirtualAlloc(pageBegin, static_cast<SIZE_T>(pageEnd - pageBegin), MEM_COMMIT, PAGE_READWRITE)) {
            std::memset(begin, 0, static_cast<size_t>(pageBegin - begin));
            std::memset(pageEnd, 0, static_cast<size_t>(end - pageEnd));
            return;
        }
        std::memset(begin, 0, static_cast<size_t>(end - begin));
    }
    // count empty entries before index; throws std::bad_alloc, the array as it was.
    void insert(size_t index, size_t count) {
        if (m_size + count > m_capacity) {
            const size_t capacity = m_size + count + (m_size + count) / 16 + SPARE;
            T* fresh = allocate(capacity);
            std::memcpy(fresh, m_data, index * sizeof(T));
            std::memcpy(fresh + index + count, m_data + index, (m_size - index) * sizeof(T));
            const size_t size = m_size;
            release();
            m_data = fresh;
            m_size = size;
            m_capacity = capacity;
        } else {
            std::memmove(m_data + index + count, m_data + index, (m_size - index) * sizeof(T));
            std::memset(static_cast<void*>(m_data + index), 0, count * sizeof(T));
        }
        m_size += count;
    }
    void erase(size_t index, size_t count) {
        std::memmove(m_data + index, m_data + index + count, (m_size - index - count) * sizeof(T));
        m_size -= count;
        clear(m_size, m_size + count);
    }

private:
    static constexpr uintptr_t PAGE = 4096;
    static constexpr size_t SPARE = 64;

    static T* allocate(size_t count) {
        void* block = ::VirtualAlloc(nullptr, count * sizeof(T), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (!block)
            throw std::bad_alloc();
        return static_cast<T*>(block);
    }
    void release() {
        if (m_data)
            ::VirtualFree(m_data, 0, MEM_RELEASE);
        m_data = nullptr;
        m_size = m_capacity = 0;
    }

    T* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

} // namespace tessel
