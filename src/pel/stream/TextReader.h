#pragma once
// The abstract reader of UTF-16 text: code units one at a time, in blocks, by line or all at once.

#include <memory>
#include <string>

namespace pel {

class TextEncoding;

class TextReader {
public:
    TextReader() = default;
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;
    virtual ~TextReader() = default;

    // Copies up to count units into buffer; returns how many.
    virtual int read(wchar_t* buffer, int count) = 0;
    // Replaces text with every remaining unit; returns how many.
    virtual int readToEnd(std::wstring& text) = 0;
    // Appends the next line without its terminator (LF, CR or CR LF); returns the length of
    // line, or -1 when no unit is left.
    virtual int readLine(std::wstring& line) = 0;
    // The next unit (0..65535) without consuming it, or -1 at the end.
    virtual int peek() = 0;
    // The next unit, consumed, or -1 at the end.
    virtual int read() = 0;
    // The units read() gives next, without consuming them, for callers that scan text in bulk:
    // *o_units points at them and their count is returned, 0 at the end. They stay valid until
    // the reader is used other than by skip(). A reader that buffers shows its buffer; this
    // default shows one unit.
    virtual int peekUnits(const wchar_t** o_units) {
        const int unit = peek();
        if (unit < 0)
            return 0;
        m_peekedUnit = static_cast<wchar_t>(unit);
        *o_units = &m_peekedUnit;
        return 1;
    }
    // Consumes count of the units peekUnits() showed; the others stay valid.
    virtual void skip(int count) {
        while (count-- > 0 && read() >= 0) {
        }
    }
    // Detaches from the source; every later call throws IllegalStateException.
    virtual void close() = 0;

protected:
    std::shared_ptr<TextEncoding> m_encoding;

private:
    wchar_t m_peekedUnit = 0;
};

} // namespace pel
