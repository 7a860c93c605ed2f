#pragma once
// UTF-16 text in its UTF-8 form, with the way back from a byte offset to the UTF-16 offset, for
// engines that run over UTF-8 while their callers count UTF-16 units. A lone surrogate becomes
// U+FFFD: three bytes standing for its one unit. Kept for reuse: once its buffers have grown,
// converting again allocates nothing.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pel {

// Writes the UTF-8 form of a code point (at most U+10FFFF) from out on; returns its end.
inline char* encodeUtf8(uint32_t code, char* out) {
    if (code < 0x80) {
        *out++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *out++ = static_cast<char>(0xC0 | code >> 6);
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out++ = static_cast<char>(0xE0 | code >> 12);
        *out++ = static_cast<char>(0x80 | (code >> 6 & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | code >> 18);
        *out++ = static_cast<char>(0x80 | (code >> 12 & 0x3F));
        *out++ = static_cast<char>(0x80 | (code >> 6 & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

class Utf8Text {
public:
    Utf8Text() = default;
    Utf8Text(const wchar_t* text, size_t length) { assign(text, length); }

    void assign(const wchar_t* text, size_t length);
    void assign(const std::wstring& text) { assign(text.data(), text.size()); }
    // Empties the text and gives its buffers back.
    void release() {
        std::vector<char>().swap(m_bytes);
        std::vector<uint32_t>().swap(m_units);
        m_size = m_asciiPrefix = 0;
    }

    const char* data() const { return m_bytes.data(); }
    const char* end() const { return m_bytes.data() + m_size; }
    size_t size() const { return m_size; }
    // Whether every character is ASCII, each byte then standing for one unit.
    bool isAscii() const { return m_asciiPrefix == m_size; }

    // The UTF-16 offset of the character the byte at byteOffset belongs to; size() gives the
    // text's length in units.
    size_t unitOffset(size_t byteOffset) const {
        return byteOffset <= m_asciiPrefix ? byteOffset : m_units[byteOffset];
    }

    // The byte offset of the first character at or after UTF-16 offset unitOffset (a search: for
    // occasional use).
    size_t byteOffset(size_t unitOffset) const;

    // The length in bytes of the character whose first byte is lead.
    static int sequenceLength(unsigned char lead) { return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4; }

private:
    std::vector<char> m_bytes;
    size_t m_size = 0;
    // Bytes before the first character that is not ASCII: up to there a byte offset is the unit offset.
    size_t m_asciiPrefix = 0;
    // From there on, the unit offset of each byte (and of the end), filled only then.
    std::vector<uint32_t> m_units;
};

} // namespace pel
