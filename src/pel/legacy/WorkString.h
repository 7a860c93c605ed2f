#pragma once
// The library's wide string with N units inline (256 for paths, 512 for error texts) that moves
// to a heap block when it grows, in steps of N units. The text is always NUL-terminated; NUL
// units inside it are allowed (the error record keeps its parameters one after another).
// The path helpers treat '\' and '/' alike.

#include "pel/base/Assert.h"

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>

namespace pel {

namespace workstring_detail {

inline bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
// Index of the first unit after the last separator; 0 when there is none.
uint32_t fileNameStart(const wchar_t* text, uint32_t length);
// Index of the last '.' of the file name part; -1 when there is none.
int32_t lastDot(const wchar_t* text, uint32_t length);

} // namespace workstring_detail

template <unsigned N = 256>
class WorkString {
    static_assert(N >= 2, "a work string holds at least a unit and its NUL");

public:
    static constexpr uint32_t UNIT = N;

    WorkString() { m_inline[0] = 0; }
    WorkString(const wchar_t* text) : WorkString() { assign(text); }
    WorkString(const wchar_t* text, uint32_t length) : WorkString() { assign(text, length); }
    WorkString(const std::wstring& text) : WorkString() { assign(text.c_str(), static_cast<uint32_t>(text.size())); }
    WorkString(const WorkString& other) : WorkString() { assign(other.m_data, other.m_length); }
    ~WorkString() { freeHeap(); }

    WorkString& operator=(const WorkString& other) {
        if (this != &other)
            assign(other.m_data, other.m_length);
        return *this;
    }
    WorkString& operator=(const wchar_t* text) {
        assign(text);
        return *this;
    }
    WorkString& operator=(const std::wstring& text) {
        assign(text.c_str(), static_cast<uint32_t>(text.size()));
        return *this;
    }

    const wchar_t* c_str() const { return m_data; }
    wchar_t* data() { return m_data; }
    uint32_t length() const { return m_length; }
    // Capacity in units, the NUL included.
    uint32_t size() const { return m_size; }
    bool empty() const { return m_length == 0; }
    bool isInline() const { return m_data == m_inline; }
    std::wstring str() const { return std::wstring(m_data, m_length); }

    // The unit at index; an index past the end is reported and reads the NUL.
    wchar_t at(uint32_t index) const {
        if (index > m_length) {
            softAssertion(L"index <= m_len", PEL_FILE, __LINE__);
            index = m_length;
        }
        return m_data[index];
    }
    // A pointer into the text; a position outside 0..length is reported and clamped.
    const wchar_t* pointerAt(int32_t pos) const {
        if (pos < 0 || static_cast<uint32_t>(pos) > m_length) {
            softAssertion(L"pos >= 0 && pos <= (xint)m_len", PEL_FILE, __LINE__);
            pos = pos < 0 ? 0 : static_cast<int32_t>(m_length);
        }
        return m_data + pos;
    }

    // Room for n units (NUL included), discarding the text: the capacity becomes n rounded up to
    // a multiple of N, inline when that is N.
    void reserve(uint32_t n) {
        const uint32_t size = roundUp(n);
        if (size != m_size) {
            freeHeap();
            if (size == N) {
                m_data = m_inline;
            } else {
                m_data = new wchar_t[size];
            }
            m_size = size;
        }
        m_length = 0;
        m_data[0] = 0;
    }

    // As reserve, keeping the text (cut when it no longer fits).
    void resize(uint32_t n) {
        const uint32_t size = roundUp(n);
        if (size == m_size)
            return;
        wchar_t* data = size == N ? m_inline : new wchar_t[size];
        const uint32_t length = m_length < size ? m_length : size - 1;
        if (data != m_data)
            std::wmemmove(data, m_data, length);
        data[length] = 0;
        freeHeap();
        m_data = data;
        m_size = size;
        m_length = length;
    }

    void assign(const wchar_t* text) { assign(text, text ? static_cast<uint32_t>(std::wcslen(text)) : 0); }
    void assign(const wchar_t* text, uint32_t length) {
        if (text && text >= m_data && text < m_data + m_size) {
            const std::wstring copy(text, length); // a part of this very string
            assign(copy.c_str(), length);
            return;
        }
        // The block stays while the text fits and leaves at most 2N units unused.
        if (length + 1 > m_size || length + 1 + 2 * N < m_size)
            reserve(length + 1);
        if (length)
            std::wmemcpy(m_data, text, length);
        m_length = length;
        m_data[length] = 0;
    }

    void append(const wchar_t* text) { append(text, text ? static_cast<uint32_t>(std::wcslen(text)) : 0); }
    void append(const wchar_t* text, uint32_t length) {
        if (length == 0)
            return;
        if (text >= m_data && text < m_data + m_size) {
            const std::wstring copy(text, length);
            append(copy.c_str(), length);
            return;
        }
        if (m_length + length + 1 > m_size)
            resize(m_length + length + 1);
        std::wmemcpy(m_data + m_length, text, length);
        m_length += length;
        m_data[m_length] = 0;
    }
    void append(const std::wstring& text) { append(text.c_str(), static_cast<uint32_t>(text.size())); }
    void append(wchar_t unit) {
        if (m_length + 2 > m_size)
            resize(m_length + 2);
        m_data[m_length++] = unit;
        m_data[m_length] = 0;
    }

    // Sets the length after the caller wrote into data(). A length that does not fit is reported
    // and the string grows to hold it; a block with more than 2N units to spare shrinks.
    void setLength(uint32_t len) {
        if (len >= m_size) {
            softAssertion(L"len < m_size", PEL_FILE, __LINE__);
            resize(len + 1);
        }
        m_length = len;
        m_data[len] = 0;
        if (m_size - (len + 1) > 2 * N)
            resize(len + 1);
    }

    // Empties the text; a heap block larger than 2N units is given back.
    void clear() {
        if (m_size > 2 * N) {
            freeHeap();
            m_data = m_inline;
            m_size = N;
        }
        m_length = 0;
        m_data[0] = 0;
    }

    bool operator==(const wchar_t* text) const {
        return text && std::wcslen(text) == m_length && std::wmemcmp(m_data, text, m_length) == 0;
    }
    bool operator!=(const wchar_t* text) const { return !(*this == text); }

    // Path helpers.

    // The text after the last separator, or the whole text.
    WorkString getFileName() const { return WorkString(fileNamePointer()); }
    // The text up to and including the last separator; empty when there is none.
    WorkString getDirectoryPart() const { return WorkString(m_data, nameStart()); }
    const wchar_t* fileNamePointer() const { return m_data + nameStart(); }
    // The file name cut at its last '.' (".profile" gives an empty name).
    WorkString getBaseName() const {
        const uint32_t start = nameStart();
        const int32_t dot = workstring_detail::lastDot(m_data, m_length);
        return WorkString(m_data + start, (dot < 0 ? m_length : static_cast<uint32_t>(dot)) - start);
    }
    // The text after the last '.' of the file name, or the end of the text.
    const wchar_t* getExtension() const {
        const int32_t dot = workstring_detail::lastDot(m_data, m_length);
        return m_data + (dot < 0 ? m_length : static_cast<uint32_t>(dot) + 1);
    }
    void replaceFileName(const wchar_t* name) {
        setLength(nameStart());
        append(name);
    }
    void appendSeparator() {
        if (m_length == 0 || !workstring_detail::isSeparator(m_data[m_length - 1]))
            append(L'\\');
    }
    void removeTrailingSeparator() {
        if (m_length && workstring_detail::isSeparator(m_data[m_length - 1]))
            setLength(m_length - 1);
    }
    // Keeps the text up to and including the last separator; ".\" when there is none.
    void getDirectory() {
        const uint32_t start = nameStart();
        if (start == 0)
            assign(L".\\");
        else
            setLength(start);
    }
    // Keeps only the file name: removes everything up to and including the last separator.
    void removePath() {
        const uint32_t start = nameStart();
        if (start)
            assign(m_data + start, m_length - start);
    }

private:
    static uint32_t roundUp(uint32_t n) { return n <= N ? N : (n + N - 1) / N * N; }
    uint32_t nameStart() const { return workstring_detail::fileNameStart(m_data, m_length); }
    void freeHeap() {
        if (m_data != m_inline)
            delete[] m_data;
    }

    wchar_t* m_data = m_inline;
    uint32_t m_length = 0;
    uint32_t m_size = N;
    wchar_t m_inline[N];
};

} // namespace pel
