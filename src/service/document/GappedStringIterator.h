#pragma once
// A position in a gap-buffer text read as one contiguous string: what the finders and the
// regular-expression engine walk. Dereferencing returns a unit by value. Steps outside the
// text are reported as soft assertions (logged, then carried on) and clamped: reads to the
// last unit, additions to [0, length + 1]. It moves by any distance in one step (random
// access), though it returns units by value. The container gives getLength() and
// charAt(offset) for 0 <= offset < length; every read and step asks for the length, so a
// container may check its reader there.

#include "pel/base/Assert.h"

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace tessel {

template <class Container>
class GappedStringIterator {
public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = wchar_t;
    using difference_type = std::ptrdiff_t;
    using pointer = const wchar_t*;
    using reference = wchar_t;

    GappedStringIterator() = default;
    GappedStringIterator(const Container* container, int32_t position) : m_container(container), m_pos(position) {}

    const Container* container() const { return m_container; }
    int32_t position() const { return m_pos; }

    // The hot path of every reader: one length query, and the clamping only off the text.
    wchar_t operator*() const {
        const int32_t length = m_container->getLength();
        if (m_pos >= 0 && m_pos < length)
            return m_container->charAt(m_pos);
        pel::softAssertion(L"m_pos >= 0 && m_pos < m_container->getLength()", PEL_FILE, __LINE__);
        return unitAt(m_pos);
    }
    wchar_t operator[](difference_type n) const { return unitAt(m_pos + static_cast<int32_t>(n)); }
    // The unit before the position.
    wchar_t before() const {
        PEL_SOFT_ASSERT(m_pos > 0);
        return unitAt(m_pos - 1);
    }

    GappedStringIterator& operator++() {
        PEL_SOFT_ASSERT(m_pos < m_container->getLength());
        ++m_pos;
        return *this;
    }
    GappedStringIterator& operator--() {
        PEL_SOFT_ASSERT(m_pos > 0);
        --m_pos;
        return *this;
    }
    GappedStringIterator operator++(int) {
        GappedStringIterator old = *this;
        ++*this;
        return old;
    }
    GappedStringIterator operator--(int) {
        GappedStringIterator old = *this;
        --*this;
        return old;
    }
    GappedStringIterator& operator+=(difference_type n) { return add(static_cast<int32_t>(n)); }
    GappedStringIterator& operator-=(difference_type n) {
        PEL_SOFT_ASSERT((m_pos - n) >= 0 && (m_pos - n) <= m_container->getLength());
        return clampTo(int64_t(m_pos) - n);
    }
    friend GappedStringIterator operator+(GappedStringIterator it, difference_type n) { return it += n; }
    friend GappedStringIterator operator+(difference_type n, GappedStringIterator it) { return it += n; }
    friend GappedStringIterator operator-(GappedStringIterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const GappedStringIterator& a, const GappedStringIterator& b) {
        a.checkSameContainer(b);
        return difference_type(a.m_pos) - b.m_pos;
    }

    friend bool operator==(const GappedStringIterator& a, const GappedStringIterator& b) {
        a.checkSameContainer(b);
        return a.m_pos == b.m_pos;
    }
    friend bool operator!=(const GappedStringIterator& a, const GappedStringIterator& b) { return !(a == b); }
    friend bool operator<(const GappedStringIterator& a, const GappedStringIterator& b) { return a.m_pos < b.m_pos; }
    friend bool operator>(const GappedStringIterator& a, const GappedStringIterator& b) { return b < a; }
    friend bool operator<=(const GappedStringIterator& a, const GappedStringIterator& b) { return !(b < a); }
    friend bool operator>=(const GappedStringIterator& a, const GappedStringIterator& b) { return !(a < b); }

private:
    GappedStringIterator& add(int32_t n) {
        const int64_t position = int64_t(m_pos) + n;
        if (position >= 0 && position <= m_container->getLength()) {
            m_pos = static_cast<int32_t>(position);
            return *this;
        }
        pel::softAssertion(L"(m_pos + n) >= 0 && (m_pos + n) <= m_container->getLength()", PEL_FILE, __LINE__);
        return clampTo(position);
    }
    GappedStringIterator& clampTo(int64_t position) {
        const int64_t limit = int64_t(m_container->getLength()) + 1;
        m_pos = static_cast<int32_t>(position < 0 ? 0 : position > limit ? limit : position);
        return *this;
    }
    // The unit at position clamped into the text; 0 for an empty text.
    wchar_t unitAt(int32_t position) const {
        const int32_t length = m_container->getLength();
        if (length <= 0)
            return 0;
        return m_container->charAt(position < 0 ? 0 : position >= length ? length - 1 : position);
    }
    void checkSameContainer(const GappedStringIterator& other) const {
        PEL_SOFT_ASSERT(m_container == other.m_container);
    }

    const Container* m_container = nullptr;
    int32_t m_pos = 0;
};

} // namespace tessel
