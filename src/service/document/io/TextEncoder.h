#pragma once
// Turning a document's text into the bytes of its encoding on save: every line feed becomes the
// break bytes of the line ending (CR LF, LF or CR, in the encoding's unit size and byte order).
// UTF-8, UTF-16 and UTF-32 are encoded directly; ANSI and any other code go through the system's
// conversion with the code page in the code's low 16 bits, refusing best-fit substitutions. A
// character the encoding cannot store (one the code page lacks, a lone surrogate) is never
// replaced: the conversion fails instead, so a save cannot lose text unnoticed.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tessel {

// Bytes collected for a write, in one block that grows as needed.
class ByteBuffer {
public:
    // At least count free bytes behind the data; throws std::bad_alloc.
    char* room(size_t count);
    // count bytes written into the room become data.
    void commit(size_t count) { m_size += count; }
    void append(const void* data, size_t count);
    const char* data() const { return m_data.get(); }
    size_t size() const { return m_size; }
    void clear() { m_size = 0; }

private:
    std::unique_ptr<char[]> m_data;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

enum class EncodeResult {
    OK,
    CHARACTERS_LOST, // a character the encoding cannot store
    FAILED,          // the system's conversion failed
};

class TextEncoder {
public:
    // The encoder of an encoding code with the break bytes of a line ending (0 CR LF, 1 LF,
    // anything else CR).
    static std::unique_ptr<TextEncoder> create(uint32_t code, uint32_t lineEnding);
    virtual ~TextEncoder() = default;

    // Whether every character of the text can be stored, without making bytes. Text handed to
    // check and encode never ends between the two halves of a surrogate pair.
    virtual EncodeResult check(const wchar_t* text, size_t count) = 0;
    // Appends the text's bytes to out.
    virtual EncodeResult encode(const wchar_t* text, size_t count, ByteBuffer& out) = 0;

    const unsigned char* breakBytes() const { return m_break; }
    size_t breakLength() const { return m_breakLength; }

protected:
    // Breaks written in units of unitBytes bytes, in the byte order given.
    TextEncoder(uint32_t lineEnding, size_t unitBytes, bool bigEndian);
    void appendBreak(unsigned char*& io_out) const;

private:
    unsigned char m_break[8] = {};
    size_t m_breakLength = 0;
};

} // namespace tessel
