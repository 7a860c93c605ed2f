#pragma once
// The text of a Document: UTF-16 units in one heap block with a gap at the place of the last
// edit, so that typing at one place moves nothing. The text is data[0, gapStart) followed by
// data[gapEnd, gapEnd + length - gapStart). The block comes from malloc, so a loader can fill
// one and hand it over.

#include <cstddef>
#include <cstdint>

namespace tessel {

class GapBuffer {
public:
    static constexpr int32_t INITIAL_CAPACITY = 1024;
    // Free units left behind the text of an insert that needed room.
    static constexpr int32_t GAP_SIZE = 1024;

    // An empty buffer of INITIAL_CAPACITY units, without a gap. Throws
    // pel::OutOfMemoryException when the block cannot be had.
    GapBuffer();
    // Takes over a malloc block whose first length units are the text; the rest of its capacity
    // becomes the gap. Throws pel::InvalidArgumentException for a null block or a length
    // outside 0..capacity.
    GapBuffer(wchar_t* data, int32_t length, int32_t capacity);
    ~GapBuffer();
    GapBuffer(GapBuffer&& other) noexcept;
    GapBuffer& operator=(GapBuffer&& other) noexcept;
    GapBuffer(const GapBuffer&) = delete;
    GapBuffer& operator=(const GapBuffer&) = delete;

    int32_t length() const { return m_length; }
    int32_t capacity() const { return m_capacity; }
    int32_t gapStart() const { return m_gapStart; }
    int32_t gapEnd() const { return m_gapEnd; }

    // The unit at index (0 <= index < length, unchecked).
    wchar_t at(int32_t index) const { return m_data[index < m_gapStart ? index : index + m_gapEnd - m_gapStart]; }
    // The same, for the templates that read text by index (pel/text/Utf16Characters.h).
    wchar_t operator[](int32_t index) const { return at(index); }
    // The text before the gap (gapStart units) and behind it (length - gapStart units), for
    // readers that scan the halves directly.
    const wchar_t* firstHalf() const { return m_data; }
    const wchar_t* secondHalf() const { return m_data + m_gapEnd; }
    // Whether a pointer lies inside the block (text handed out by the buffer itself).
    bool holds(const wchar_t* pointer) const;

    // Moves the gap so that it starts at position (0..length).
    void moveGap(int32_t position);
    // Makes sure an insert of count units will not need a new block; throws
    // pel::OutOfMemoryException (the buffer unchanged) when the block cannot grow.
    void reserve(int32_t count);
    // Inserts count units at position (0..length); grows as reserve does.
    void insert(int32_t position, const wchar_t* text, int32_t count);
    // Removes count units at position: the gap moves to position and swallows them, so they stay
    // readable at data[gapEnd - count, gapEnd) until the next insert.
    void remove(int32_t position, int32_t count);
    // The units just swallowed by the last remove of count units.
    const wchar_t* removedText(int32_t count) const { return m_data + m_gapEnd - count; }

private:
    wchar_t* m_data;
    int32_t m_gapStart;
    int32_t m_gapEnd;
    int32_t m_length;
    int32_t m_capacity;
};

// Text of a range read out of a buffer: a pointer into the buffer when the range lies wholly on
// one side of the gap (valid until the next edit), else an owned copy, freed with the result.
class GapBufferText {
public:
    GapBufferText() = default;
    ~GapBufferText() { release(); }
    GapBufferText(const GapBufferText&) = delete;
    GapBufferText& operator=(const GapBufferText&) = delete;

    const wchar_t* text() const { return m_text; }
    int32_t count() const { return m_count; }
    bool owned() const { return m_owned; }

private:
    friend void gap_buffer_extract(GapBufferText* o_result, int32_t offset, int32_t count, const GapBuffer& buffer);
    void release();

    const wchar_t* m_text = nullptr;
    int32_t m_count = 0;
    bool m_owned = false;
};

// Calls read(base, first, last) for the part of [offset, offset + count) before the gap, then
// for the part behind it (each only when it holds a unit), where base[p] is the unit at position p
// for every p from first to last: for readers that scan a range in place instead of copying it.
// The range lies within the text.
template <class Read>
void gap_buffer_read(const GapBuffer& buffer, int32_t offset, int32_t count, const Read& read) {
    const int32_t end = offset + count, gap = buffer.gapStart();
    if (offset < gap && offset < end)
        read(buffer.firstHalf(), offset, (end < gap ? end : gap) - 1);
    if (end > gap && end > offset)
        read(buffer.secondHalf() - gap, offset > gap ? offset : gap, end - 1);
}

// Copies count units from offset into destination, across the gap; with terminate a 0 follows
// them. The range is cut to the text; returns the units copied.
int32_t gap_buffer_copy(wchar_t* destination, const GapBuffer& buffer, int32_t offset, int32_t count, bool terminate);
// The range [offset, offset + count), cut to the text.
void gap_buffer_extract(GapBufferText* o_result, int32_t offset, int32_t count, const GapBuffer& buffer);

} // namespace tessel
